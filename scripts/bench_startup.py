"""Start-up of the saver measured from outside: from the moment `wine Varnelle.scr /s`
is started to the first lit pixel on the screen, which is the end of the blanked
speed-test second (its frames are drawn in full, then cleared). From inside, the
steps the saver says on its debugger output up to its first frame, beside the same
of a minimal program that makes a window and a Direct3D 9 device and presents one
lit frame (bench/first_present.cpp), which is what any saver pays here. Each run starts the
saver from a folder of its own with the default settings (flames, no pictures) on a
private 800x600 screen, watches a strip at the bottom of the screen through Xlib
about every millisecond, then closes the saver with a key. Also times Wine starting
a program that does nothing, the part of the figure that is not the saver's.
Usage (inside scripts/bench.sh's Wine environment): bench_startup.py BIN_DIR [runs]"""
import ctypes
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 800, 600
BLANKED = 1.0


class XImage(ctypes.Structure):
    """The head of Xlib's XImage, as far as the pixels' address."""
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p)]


class Screen:
    """A private Xvfb screen and a way to read a few of its pixels quickly."""

    def __init__(self, width=WIDTH, height=HEIGHT):
        self.width, self.height = width, height
        self.display = None
        for n in range(160, 200):
            if os.path.exists("/tmp/.X11-unix/X%d" % n) or os.path.exists("/tmp/.X%d-lock" % n):
                continue
            self.proc = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "%dx%dx24" % (width, height),
                                          "-nolisten", "tcp"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(100):
                if os.path.exists("/tmp/.X11-unix/X%d" % n):
                    break
                time.sleep(0.05)
            self.display = ":%d" % n
            break
        if not self.display:
            raise RuntimeError("no free X display")
        time.sleep(0.5)
        x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XGetImage.restype = ctypes.POINTER(XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XGetPixel.restype = ctypes.c_ulong
        x.XGetPixel.argtypes = [ctypes.POINTER(XImage), ctypes.c_int, ctypes.c_int]
        x.XFree.argtypes = [ctypes.c_void_p]
        self.x = x
        self.conn = x.XOpenDisplay(self.display.encode())
        if not self.conn:
            raise RuntimeError("cannot open " + self.display)
        self.root = x.XDefaultRootWindow(self.conn)

    def lit(self):
        """Whether a strip across the bottom middle of the screen has a lit pixel."""
        w, h, left, top = 64, 4, self.width // 2 - 32, self.height - 40
        image = self.x.XGetImage(self.conn, self.root, left, top, w, h, 0xFFFFFF, 2)  # ZPixmap
        if not image:
            return False
        try:
            for yy in range(h):
                for xx in range(0, w, 4):
                    p = self.x.XGetPixel(image, xx, yy)
                    if ((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255) > 60:
                        return True
            return False
        finally:
            # What XDestroyImage (a macro) does for an image from XGetImage.
            self.x.XFree(image.contents.data)
            self.x.XFree(image)

    def close(self):
        self.proc.kill()
        self.proc.wait()


STEP = re.compile(r'OutputDebugString[AW] "Start-up: ([\w-]+) ([0-9.]+) s\.')
# The saver's steps in the order it says them (platform/StartupTrace.h): each is
# reported as the time since the one before.
SAVER_STEPS = ("process", "window", "archive", "language", "monitors", "adapter-check", "settings", "d3d-device",
               "device", "pictures", "logo", "effects", "thread-check", "first-frame")


def one_run(program, screen, args=()):
    """Starts `program` (the saver, or the minimal device program) from a folder of
    its own; returns (seconds to the first lit pixel or None, {step: seconds since
    the process was created} from its debugger output)."""
    folder = tempfile.mkdtemp(prefix="varnelle-startup-")
    try:
        names = [os.path.basename(program)]
        if names[0].endswith(".scr"):
            names.append("VantorelResource.dat")
        for name in names:
            shutil.copy(os.path.join(os.path.dirname(program), name), folder)
        env = dict(os.environ, DISPLAY=screen.display, WINEDEBUG="-all,warn+seh")
        log_path = os.path.join(folder, "wine.log")
        start = time.monotonic()
        log = open(log_path, "w")
        proc = subprocess.Popen(["wine", os.path.join(folder, names[0]), *args], cwd=folder, env=env,
                                stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        seen = None
        while time.monotonic() - start < 30 and proc.poll() is None:
            if screen.lit():
                seen = time.monotonic() - start
                break
            time.sleep(0.001)
        close_with_a_key(proc, env)
        log.close()
        steps = {}
        with open(log_path, errors="replace") as f:
            lines = f.readlines()
        for line in lines:
            m = STEP.search(line)
            if m and m.group(1) not in steps:
                steps[m.group(1)] = float(m.group(2))
        if seen is None:
            print("".join([l for l in lines if "fixme" not in l][-15:]))
        return seen, steps
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def wine_alone(screen):
    env = dict(os.environ, DISPLAY=screen.display)
    start = time.monotonic()
    subprocess.run(["wine", "cmd", "/c", "exit"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
    return time.monotonic() - start


def close_with_a_key(proc, env):
    """A key press on the screen of `env`, as a user closes the saver; killed when it stays."""
    subprocess.run(["xdotool", "key", "space"], env=env, stderr=subprocess.DEVNULL)
    try:
        proc.wait(10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def restart_wine():
    """Wine's desktop process belongs to the display of the first program of a
    session; the saver's window must be made on this screen, so the session starts
    anew here (and ends, for whatever runs next on another screen)."""
    subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], stderr=subprocess.DEVNULL)


def main():
    bin_dir = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    saver = os.path.join(bin_dir, "Varnelle.scr")
    minimal = os.path.join(bin_dir, "first_present.exe")
    screen = Screen()
    restart_wine()
    try:
        # The first starts in a prefix do more (its registry, its fonts): one of
        # each, uncounted. Then the three in turns, so that a busy moment weighs
        # on all of them alike.
        wine_alone(screen)
        one_run(saver, screen, ("/s",))
        one_run(minimal, screen)
        starts, bares, empties = [], [], []
        for _ in range(runs):
            starts.append(one_run(saver, screen, ("/s",)))
            bares.append(one_run(minimal, screen))
            empties.append(wine_alone(screen))
    finally:
        restart_wine()
        screen.close()
    seen = [s for s, _ in starts if s is not None]
    print("startup: runs %s s" % " ".join("%.3f" % s if s is not None else "none" for s, _ in starts))
    if len(seen) < runs:
        print("startup: %d of %d runs showed nothing within 30 s" % (runs - len(seen), runs))
        return 1
    saver_first = [t["first-frame"] for _, t in starts if "first-frame" in t]
    bare_first = [t["first-frame"] for _, t in bares if "first-frame" in t]
    bare_seen = [s for s, _ in bares if s is not None]
    if len(saver_first) < runs or len(bare_first) < runs or len(bare_seen) < runs:
        print("startup: a run did not say its first frame (saver %d, minimal device program %d of %d)"
              % (len(saver_first), len(bare_first), runs))
        return 1
    total, empty = statistics.median(seen), statistics.median(empties)
    first, bare = statistics.median(saver_first), statistics.median(bare_first)
    print("startup: process start to the end of the blanked second %.3f s (median of %d, %dx%d)"
          % (total, runs, WIDTH, HEIGHT))
    print("startup: beyond the blanked second %.3f s; Wine starting an empty program %.3f s; "
          "beyond both %.3f s" % (total - BLANKED, empty, total - BLANKED - empty))
    print("startup: first frame, from the process's creation: minimal device program %.3f s (lit on the screen "
          "%.3f s after its start), saver %.3f s; the saver's own work %.3f s beyond it (ratio %.2f)"
          % (bare, statistics.median(bare_seen), first, first - bare, first / bare))
    parts = []
    for k, step in enumerate(SAVER_STEPS):
        if k == 0:
            times = [t[step] for _, t in starts if step in t]
        else:
            before = SAVER_STEPS[k - 1]
            times = [t[step] - t[before] for _, t in starts if step in t and before in t]
        if times:
            parts.append("%s %.3f" % (step, statistics.median(times)))
    print("startup: the saver's steps (s, each after the one before): " + ", ".join(parts))
    bare_device = [t["d3d-device"] - t["window"] for _, t in bares if "d3d-device" in t and "window" in t]
    if bare_device:
        print("startup: the minimal program's device takes %.3f s" % statistics.median(bare_device))
    return 0


if __name__ == "__main__":
    sys.exit(main())
