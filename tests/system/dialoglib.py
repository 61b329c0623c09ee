"""Drives the configuration dialog of `Varnelle.scr /c` under Wine through the
harness: reads and presses its controls, answers its file and folder dialogs, sets the
interface language."""
import os
import shutil
import subprocess
import sys
import time

from saverlib import BIN, HARNESS, Saver, kill, run_wine, temp_dir, wait_exit, wine

ASSETS = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", "assets"))
LANGUAGE_KEY = r"HKLM\SOFTWARE\QUENDRA\ScreenSaver\Fire"

IDOK, IDCANCEL, ADD, REMOVE, REMOVE_ALL = 1, 2, 3, 4, 5
LIST, SPEED, SIZE, SHOW_IMAGES, SPARKS, BLOB_SELECT = 1001, 1002, 1003, 1004, 1006, 1008
SCHEME, PREVIEW, SCHEME_LABEL, FILES_GROUP = 1009, 1010, 1011, 1012
MAIN_MONITOR_ONLY, WHOLE_PICTURES, SHUFFLE_PICTURES = 1013, 1014, 1015
FILE_NAME_BOX = 1152  # the name field of the system's file and folder dialogs


def interface_texts(code):
    """The interface texts of a language ('en', 'ru', 'jp', ...) as the archive carries them."""
    sys.path.insert(0, ASSETS)
    import languages  # noqa: E402  (the archive's own source of the texts)
    return languages.TEXTS[code]


def set_language(value):
    """CurLang as the 32-bit saver reads it; None removes the value."""
    if value is None:
        run_wine("reg", "delete", LANGUAGE_KEY, "/v", "CurLang", "/f", "/reg:32")
    else:
        run_wine("reg", "add", LANGUAGE_KEY, "/v", "CurLang", "/t", "REG_DWORD", "/d", str(value), "/f", "/reg:32")


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def harness(*args, timeout=60):
    """Runs a harness command; returns its key=value lines as a dict (and the raw text)."""
    p = subprocess.run(["wine", HARNESS, *map(str, args)], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                       stdin=subprocess.DEVNULL, timeout=timeout)
    text = p.stdout.decode("utf-8", "replace").replace("\r", "")
    values = {}
    for line in text.splitlines():
        if "=" in line:
            key, value = line.split("=", 1)
            values.setdefault(key, value)
    return values, text


def find_window(cls, title, timeout_ms=20000):
    values, _ = harness("find", cls, title, timeout_ms, timeout=timeout_ms / 1000 + 30)
    return int(values.get("hwnd", "0"))


def top_windows():
    """Visible top-level windows: dicts with window, pid, x, y, w, h, class, title."""
    _, text = harness("windows")
    windows = []
    for line in text.splitlines():
        if not line.startswith("window="):
            continue
        head, _, title = line.partition(" title=")
        fields = dict(part.split("=", 1) for part in head.split(" "))
        fields["title"] = title
        for key in ("window", "pid", "x", "y", "w", "h"):
            fields[key] = int(fields[key])
        windows.append(fields)
    return windows


def read_controls(hwnd):
    """Controls by id: class, text, visible, rect and, by kind, check, count, sel, items, pos; list boxes
    also top, itemheight and data (each line's item data: 1 marks a folder in the picture list)."""
    _, text = harness("controls", hwnd)
    controls, dialog = {}, {}
    for line in text.splitlines():
        key, _, value = line.partition("=")
        parts = key.split(".")
        if parts[0] != "ctl":
            dialog[key] = value
            continue
        cid = int(parts[1])
        if parts[2] == "class" and cid in controls and cid != -1:
            continue  # inner windows of a combo box share its id
        entry = controls.setdefault(cid, {"items": []})
        if parts[2] == "item":
            entry["items"].append(value)
        elif parts[2] == "data":
            entry.setdefault("data", []).append(int(value))
        elif parts[2] in ("visible", "check", "count", "sel", "pos", "min", "max", "top", "itemheight"):
            entry[parts[2]] = int(value)
        else:
            entry[parts[2]] = value
    controls["dialog"] = dialog
    return controls


class SaverCopy:
    """The saver (and, unless told otherwise, its archive) in a folder of its own."""

    def __init__(self, with_archive=True):
        self.folder = temp_dir()
        self.saver = os.path.join(self.folder, "Varnelle.scr")
        shutil.copy(os.path.join(BIN, "Varnelle.scr"), self.saver)
        if with_archive:
            shutil.copy(os.path.join(BIN, "VantorelResource.dat"), self.folder)
        self.settings = self.saver[:-3] + "scr.settings"

    def write_settings(self, pictures=(), show_images=1, fire_style=0):
        with open(self.settings, "wb") as f:
            f.write(settings_bytes(pictures, show_images, fire_style))

    def read_settings(self):
        with open(self.settings, "rb") as f:
            return f.read()

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)


def settings_bytes(pictures=(), show_images=1, fire_style=0, speed=40, size=80):
    lines = ["#Picture Info _ begin", *pictures, "#Picture Info _ end", "BlobsSpeed %d" % speed,
             "BlobsSize %d" % size, "ShowImages %d" % show_images, "SelectCubeMap 0", "SelectSparksEffect 0",
             "SelectFireEffect %d" % fire_style]
    return "".join(line + "\r\n" for line in lines).encode("ascii")


class ConfigDialog:
    """`<saver> /c` and its dialog window."""

    def __init__(self, saver):
        before = {w["window"] for w in top_windows()}
        # Its debugger output tells a preview's failed speed test from a failed scene.
        self.saver = Saver(saver, "/c", cwd=os.path.dirname(saver) or None)
        self.proc = self.saver.proc
        self.hwnd = 0
        end = time.time() + 30
        while not self.hwnd and time.time() < end and self.proc.poll() is None:
            self.hwnd = next((w["window"] for w in top_windows()
                              if w["class"] == "#32770" and w["title"] == "Varnelle" and w["window"] not in before), 0)
        if not self.hwnd:
            state = self.saver.describe()
            self.saver.end()
            raise AssertionError("the configuration dialog did not appear: " + state)
        # The window exists a moment before its controls do; a busy machine can see it then.
        while LIST not in self.controls() and time.time() < end:
            time.sleep(0.2)

    def controls(self):
        return read_controls(self.hwnd)

    def lines(self):
        return self.controls()[LIST]["items"]

    def command(self, cid):
        harness("command", self.hwnd, cid)

    def click(self, cid):
        harness("click", self.hwnd, cid)
        time.sleep(0.3)

    def select(self, cid, index):
        harness("select", self.hwnd, cid, index)

    def choose_files(self, folder, names, via_menu=None):
        """Answers the file dialog (opened by Add, or by via_menu()) with names in folder."""
        if via_menu:
            via_menu()
        else:
            self.command(ADD)
        dialog = find_window("#32770", "Open", 20000)
        assert dialog, "no file dialog"
        if folder:
            harness("settext", dialog, FILE_NAME_BOX, winpath(folder))
            harness("command", dialog, IDOK)
            time.sleep(0.5)
        # Several names go in quotes; a single one as it is.
        text = names[0] if len(names) == 1 else " ".join('"%s"' % n for n in names)
        harness("settext", dialog, FILE_NAME_BOX, text)
        harness("command", dialog, IDOK)
        values, _ = harness("waitgone", dialog, 10000)
        assert values.get("gone") == "1", "the file dialog stayed open"
        time.sleep(0.3)

    def choose_folder(self, folder, via_menu):
        """Answers the folder dialog opened by via_menu() with folder (typed as a full path)."""
        via_menu()
        dialog = 0
        for _ in range(100):
            dialog = next((w["window"] for w in top_windows()
                           if w["class"] == "#32770" and w["window"] != self.hwnd), 0)
            if dialog:
                break
            time.sleep(0.2)
        assert dialog, "no folder dialog"
        harness("settext", dialog, FILE_NAME_BOX, winpath(folder))
        harness("command", dialog, IDOK)
        values, _ = harness("waitgone", dialog, 10000)
        assert values.get("gone") == "1", "the folder dialog stayed open"
        time.sleep(0.3)

    def close(self, cid=IDCANCEL, timeout=20):
        """Presses OK or Cancel; True when the process then ended (having said no
        fault of its own, such as a preview's device it did not release)."""
        self.command(cid)
        ended = wait_exit(self.proc, timeout)
        if ended and self.saver.faults():
            raise AssertionError("the dialog reported faults of its own: " + self.saver.describe())
        return ended

    def kill(self):
        self.saver.end()
