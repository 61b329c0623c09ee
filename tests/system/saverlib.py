"""Shared helpers for the system tests: start the real saver under Wine on the
test's Xvfb screen, find its windows, send input, take and measure screenshots."""
import os
import struct
import subprocess
import tempfile
import time

from PIL import Image

BIN = os.environ.get("VARNELLE_BIN", os.path.join(os.path.dirname(__file__), "../../build/bin"))
BUILD = os.environ.get("VARNELLE_BUILD", os.path.join(BIN, ".."))
SAVER = os.path.join(BIN, "Varnelle.scr")
HARNESS = os.path.join(BIN, "harness.exe")
SHOTS = os.path.join(BUILD, "screenshots")


def wine(*args, **kw):
    """Starts a Windows program under Wine; returns the Popen."""
    return subprocess.Popen(["wine", *args], stdout=kw.pop("stdout", subprocess.PIPE),
                            stderr=kw.pop("stderr", subprocess.DEVNULL), stdin=subprocess.DEVNULL, **kw)


def run_wine(*args, timeout=60):
    """Runs a Windows program to its end; returns (exit code as signed 32-bit, stdout text)."""
    p = wine(*args)
    out, _ = p.communicate(timeout=timeout)
    code = p.returncode
    if code > 0x7FFFFFFF:
        code -= 1 << 32
    return code, out.decode("utf-8", "replace")


def pe_machine(path):
    """'x86' or 'x64' from a Windows program's PE header; None for anything else."""
    with open(path, "rb") as f:
        head = f.read(4096)
    if head[:2] != b"MZ":
        return None
    pe = struct.unpack_from("<I", head, 0x3C)[0]
    if head[pe:pe + 4] != b"PE\0\0":
        return None
    return {0x14C: "x86", 0x8664: "x64"}.get(struct.unpack_from("<H", head, pe + 4)[0])


def machine_runs_32bit():
    """Whether the kernel runs i386 programs: runs a tiny static one that exits with 0
    (scripts/arch.sh carries the same bytes)."""
    elf = bytes.fromhex(
        "7f454c46010101000000000000000000020003000100000054800408340000000000000000000000"
        "340020000100000000000000010000000000000000800408008004085d0000005d00000005000000"
        "0010000031dbb801000000cd80")
    fd, path = tempfile.mkstemp(prefix="varnelle-i386-")
    try:
        os.write(fd, elf)
        os.close(fd)
        os.chmod(path, 0o755)
        return subprocess.run([path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
    except OSError:
        return False
    finally:
        os.unlink(path)


def signed(code):
    """Wine reports exit code -1 as 255 through the Unix wait status."""
    return -1 if code == 255 else code


def xdotool(*args, check=False):
    r = subprocess.run(["xdotool", *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    if check and r.returncode != 0:
        raise RuntimeError("xdotool %s failed" % (args,))
    return r.stdout.strip()


def find_windows(name, timeout=20.0, proc=None):
    """X window ids whose title matches the regular expression, waiting for them
    (no longer than the process `proc`, when given, runs)."""
    end = time.time() + timeout
    while time.time() < end:
        ids = xdotool("search", "--onlyvisible", "--name", name)
        if ids:
            return ids.split()
        if proc is not None and proc.poll() is not None:
            return []
        time.sleep(0.2)
    return []


# Wine 8 prints a program's debugger output among the warnings of its seh channel.
DEBUG_CHANNELS = "-all,warn+seh"
SPEED_TEST_FAILED = "Failed start-up speed test"
# What the saver says before an error screen that is its own fault.
SCENE_FAILED = ("Failed system requirements.", "Failed create device.", "Failed create scene.")
# What it says when its Direct3D device outlived the scene's release.
DEVICE_KEPT = "Failed release device"


class Saver:
    """A saver under Wine whose debugger output is kept in a file, so that a test can
    tell the speed test's error screen (the machine was busy) from any other."""

    def __init__(self, path, *args, cwd=None, env=None):
        os.makedirs(BUILD, exist_ok=True)
        fd, self.log = tempfile.mkstemp(prefix="varnelle-debug-", suffix=".txt", dir=BUILD)
        env = dict(os.environ if env is None else env, WINEDEBUG=DEBUG_CHANNELS)
        with os.fdopen(fd, "wb") as err:
            self.proc = subprocess.Popen(["wine", path, *args], stdout=subprocess.DEVNULL, stderr=err,
                                         stdin=subprocess.DEVNULL, cwd=cwd, env=env)

    def debug_output(self):
        """The lines the program wrote with OutputDebugString, in order."""
        lines = []
        with open(self.log, "rb") as f:
            for raw in f:
                line = raw.decode("utf-8", "replace")
                if ":OutputDebugString" in line and '"' in line:
                    text = line[line.index('"') + 1:line.rindex('"')]
                    lines.append(text.replace("\\n", "").replace("\\t", "\t").strip())
        return lines

    def speed_test_failures(self):
        return sum(1 for l in self.debug_output() if l.startswith(SPEED_TEST_FAILED))

    def speed_test_failed(self):
        return self.speed_test_failures() > 0

    def faults(self):
        """What the saver said of faults of its own: a scene it could not build, a
        device it did not release."""
        return [l for l in self.debug_output() if l.startswith(SCENE_FAILED + (DEVICE_KEPT,))]

    def window(self, timeout=20.0):
        return find_windows("^Screen Saver$", timeout, proc=self.proc)

    def describe(self):
        code = self.proc.poll()
        state = "still running" if code is None else "exited with code %d (0x%08x)" % (code, code & 0xFFFFFFFF)
        return "%s; its debugger output: %s" % (state, self.debug_output() or "none")

    def close(self, key="a", timeout=10):
        """Presses a key; the exit code, or None when it did not end."""
        xdotool("key", key)
        return self.proc.returncode if wait_exit(self.proc, timeout) else None

    def end(self):
        kill(self.proc)
        try:
            os.remove(self.log)
        except OSError:
            pass


def run_scene(test, start, shoot, attempts=3, close=True, linger=2.5):
    """Starts a saver (`start()` returns a Saver) and takes its pictures (`shoot(saver)`),
    then closes it with a key. A start whose speed test counted too few frames, as the
    saver itself says, is the machine's load and is tried again; after `attempts` of
    them the test is skipped, naming that. Anything else fails the test: no window,
    an error screen or exit the saver did not put down to its speed test, a key that
    does not close it with exit code 0."""
    for _ in range(attempts):
        saver = start()
        try:
            if not saver.window():
                test.fail("the saver made no window: " + saver.describe())
            result = shoot(saver)
            busy = saver.speed_test_failed()
            if close and not busy:
                code = saver.close()
                test.assertEqual(code, 0, "a key did not close the saver with exit code 0: " + saver.describe())
            if not busy and saver.faults():
                test.fail("the saver reported faults of its own: " + saver.describe())
        finally:
            saver.end()
            time.sleep(linger)  # Wine keeps a destroyed full-screen window for a moment
        if not busy:
            return result
    test.skipTest("the saver's start-up speed test counted too few frames %d times: the machine is too busy"
                  % attempts)


def window_geometry(wid):
    out = xdotool("getwindowgeometry", "--shell", wid)
    values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def screen_size():
    w, h = xdotool("getdisplaygeometry").split()
    return int(w), int(h)


def screenshot(name):
    """Saves a screenshot of the whole screen under build/screenshots; returns the PIL image."""
    os.makedirs(SHOTS, exist_ok=True)
    path = os.path.join(SHOTS, name + ".png")
    subprocess.run(["import", "-window", "root", path], check=True, stderr=subprocess.DEVNULL)
    return Image.open(path).convert("RGB")


def wait_exit(proc, timeout):
    try:
        proc.wait(timeout=timeout)
        return True
    except subprocess.TimeoutExpired:
        return False


def kill(proc):
    if proc.poll() is None:
        proc.kill()
        proc.wait()


def settings_path(saver=SAVER):
    """The settings file beside the executable: its path less the last three characters + 'scr.settings'."""
    return saver[:-3] + "scr.settings"


_roaming_folders = {}


def users_own_settings(saver=SAVER):
    """The Unix path of the saver's settings file in the profile of this prefix's user
    (WINEPREFIX): %APPDATA%\\Varnelle\\ plus the name of the file beside the saver."""
    prefix = os.environ.get("WINEPREFIX", os.path.join(BUILD, "wineprefix"))
    if prefix not in _roaming_folders:
        _, out = run_wine("cmd", "/c", "echo", "%APPDATA%", timeout=60)
        drive, _, rest = out.strip().splitlines()[-1].strip().partition(":")
        assert rest.startswith("\\"), "no profile folder: %r" % out
        _roaming_folders[prefix] = os.path.join(prefix, "dosdevices", drive.lower() + ":", *rest.split("\\")[1:])
    return os.path.join(_roaming_folders[prefix], "Varnelle", os.path.basename(settings_path(saver).replace("\\", "/")))


def write_settings(lines, saver=SAVER):
    with open(settings_path(saver), "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("ascii"))


def standard_settings(fire_style=0, show_images=0, pictures=()):
    return (["#Picture Info _ begin", *pictures, "#Picture Info _ end",
             "BlobsSpeed 40", "BlobsSize 80", "ShowImages %d" % show_images, "SelectCubeMap 0",
             "SelectSparksEffect 0", "SelectFireEffect %d" % fire_style])


def lit_share(img, box=None, threshold=40):
    """Share of pixels whose brightest channel exceeds the threshold."""
    if box:
        img = img.crop(box)
    px = img.getdata()
    lit = sum(1 for p in px if max(p) > threshold)
    return lit / float(len(px))


def mean_brightness(img, box=None):
    if box:
        img = img.crop(box)
    px = img.getdata()
    return sum(sum(p) for p in px) / (3.0 * len(px))


def temp_dir():
    return tempfile.mkdtemp(prefix="varnelle-test-", dir=BUILD)
