"""Start-up of the saver measured from outside: from the moment `wine Varnelle.scr /s`
is started to the first lit pixel on the screen, which is the end of the blanked
speed-test second (its frames are drawn in full, then cleared). Each run starts the
saver from a folder of its own with the default settings (flames, no pictures) on a
private 800x600 screen, watches a strip at the bottom of the screen through Xlib
about every millisecond, then closes the saver with a key. Also times Wine starting
a program that does nothing, the part of the figure that is not the saver's.
Usage (inside scripts/bench.sh's Wine environment): bench_startup.py BIN_DIR [runs]"""
import ctypes
import os
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

    def __init__(self):
        self.display = None
        for n in range(160, 200):
            if os.path.exists("/tmp/.X11-unix/X%d" % n) or os.path.exists("/tmp/.X%d-lock" % n):
                continue
            self.proc = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "%dx%dx24" % (WIDTH, HEIGHT),
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
        w, h, left, top = 64, 4, WIDTH // 2 - 32, HEIGHT - 40
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


def one_run(bin_dir, screen):
    folder = tempfile.mkdtemp(prefix="varnelle-startup-")
    try:
        for name in ("Varnelle.scr", "VantorelResource.dat"):
            shutil.copy(os.path.join(bin_dir, name), folder)
        env = dict(os.environ, DISPLAY=screen.display)
        start = time.monotonic()
        log = open(os.path.join(folder, "wine.log"), "w")
        proc = subprocess.Popen(["wine", os.path.join(folder, "Varnelle.scr"), "/s"], cwd=folder, env=env,
                                stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        seen = None
        while time.monotonic() - start < 30 and proc.poll() is None:
            if screen.lit():
                seen = time.monotonic() - start
                break
            time.sleep(0.001)
        subprocess.run(["xdotool", "key", "space"], env=env, stderr=subprocess.DEVNULL)
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
        log.close()
        if seen is None:
            with open(os.path.join(folder, "wine.log")) as f:
                print("".join([l for l in f if "fixme" not in l][-15:]))
        return seen
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def wine_alone(screen):
    env = dict(os.environ, DISPLAY=screen.display)
    start = time.monotonic()
    subprocess.run(["wine", "cmd", "/c", "exit"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
    return time.monotonic() - start


def restart_wine():
    """Wine's desktop process belongs to the display of the first program of a
    session; the saver's window must be made on this screen, so the session starts
    anew here (and ends, for whatever runs next on another screen)."""
    subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], stderr=subprocess.DEVNULL)


def main():
    bin_dir = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    screen = Screen()
    restart_wine()
    try:
        # The first starts in a prefix do more (its registry, its fonts): one of
        # each, uncounted.
        wine_alone(screen)
        one_run(bin_dir, screen)
        starts = [one_run(bin_dir, screen) for _ in range(runs)]
        empties = [wine_alone(screen) for _ in range(runs)]
    finally:
        restart_wine()
        screen.close()
    seen = [s for s in starts if s is not None]
    print("startup: runs %s s" % " ".join("%.3f" % s if s is not None else "none" for s in starts))
    if len(seen) < runs:
        print("startup: %d of %d runs showed nothing within 30 s" % (runs - len(seen), runs))
        return 1
    total, empty = statistics.median(seen), statistics.median(empties)
    print("startup: process start to the end of the blanked second %.3f s (median of %d, %dx%d)"
          % (total, runs, WIDTH, HEIGHT))
    print("startup: beyond the blanked second %.3f s; Wine starting an empty program %.3f s; "
          "beyond both %.3f s" % (total - BLANKED, empty, total - BLANKED - empty))
    return 0


if __name__ == "__main__":
    sys.exit(main())
