"""Several monitors under Wine on one Xvfb screen.

Xvfb cannot report heads side by side, so a session gives Wine's X11 driver the
stand-in libXinerama.so.1 (tests/monitors/xinerama.c, built by the test build into
build/.../monitors/<machine>/), which reports the heads named by VARNELLE_HEADS.
Wine asks Xinerama only when the server lacks RandR, hence `-extension RANDR`. The
one X screen spans the heads' bounding box; a head's place on it is where its
monitor shows in a screenshot. Wine reads the layout when its server session
starts, so each session has a server of its own, in a prefix of its own
(wineprefix-monitors beside the one-monitor suite's prefix, which stays as it is)."""
import os
import re
import subprocess

import saverlib as s

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PREFIX = os.path.join(s.BUILD, "wineprefix-monitors")
FIXTURE_DIRS = [os.path.join(s.BUILD, "monitors", machine) for machine in ("x86_64", "i386")]
# The copy the architecture's Wine loads.
FIXTURE_FOR_ARCH = {"x64": "x86_64", "x86": "i386"}


class Head:
    """One head in X screen coordinates, parsed from "WxH+X+Y"."""

    def __init__(self, text):
        m = re.fullmatch(r"(\d+)x(\d+)\+(\d+)\+(\d+)", text)
        assert m, "a head is WxH+X+Y: %r" % text
        self.text = text
        self.w, self.h, self.x, self.y = map(int, m.groups())

    @property
    def box(self):
        return (self.x, self.y, self.x + self.w, self.y + self.h)

    def __repr__(self):
        return self.text


class Layout:
    """Heads side by side on one X screen; the first is the primary."""

    def __init__(self, *heads):
        self.heads = [Head(h) for h in heads]
        self.primary = self.heads[0]
        self.width = max(h.x + h.w for h in self.heads)
        self.height = max(h.y + h.h for h in self.heads)

    def windows_rects(self):
        """Each head's rectangle (left, top, right, bottom) as Windows places it: the
        primary at 0,0, the others where they lie from it."""
        px, py = self.primary.x, self.primary.y
        return [(h.x - px, h.y - py, h.x + h.w - px, h.y + h.h - py) for h in self.heads]

    def windows_virtual_screen(self):
        """SM_XVIRTUALSCREEN, SM_YVIRTUALSCREEN, SM_CXVIRTUALSCREEN, SM_CYVIRTUALSCREEN."""
        return (-self.primary.x, -self.primary.y, self.width, self.height)

    def outside(self):
        """Boxes of the X screen that no head covers, found in vertical strips
        between the heads' left and right edges."""
        edges = sorted({0, self.width} | {h.x for h in self.heads} | {h.x + h.w for h in self.heads})
        boxes = []
        for left, right in zip(edges, edges[1:]):
            spans = sorted((h.y, h.y + h.h) for h in self.heads if h.x <= left and right <= h.x + h.w)
            y = 0
            for top, bottom in spans + [(self.height, self.height)]:
                if top > y:
                    boxes.append((left, y, right, top))
                y = max(y, bottom)
        return boxes

    def __repr__(self):
        return ",".join(h.text for h in self.heads)


class Session:
    """A wide Xvfb screen and a Wine session that sees the layout's monitors. While it
    is open, os.environ points every Wine process, screenshot and xdotool call at it
    (saverlib starts its programs with os.environ)."""

    def __init__(self, layout):
        self.layout = layout
        self.xvfb = None
        self.saved = None

    def fixture_fault(self):
        """Why the stand-in this architecture's Wine loads is missing, or None."""
        machine = FIXTURE_FOR_ARCH[os.environ.get("VARNELLE_ARCH", "x86")]
        path = os.path.join(s.BUILD, "monitors", machine, "libXinerama.so.1")
        return None if os.path.exists(path) else "no %s; build the tree's monitor_fixture target" % path

    def __enter__(self):
        self.saved = dict(os.environ)
        try:
            self._start_xvfb()
            os.environ.update(
                DISPLAY=self.display, WINEPREFIX=PREFIX, VARNELLE_HEADS=repr(self.layout),
                LD_LIBRARY_PATH=os.pathsep.join(FIXTURE_DIRS + [d for d in [self.saved.get("LD_LIBRARY_PATH")] if d]))
            self._wineserver("-k")  # a server left over from an earlier layout
            r = subprocess.run([os.path.join(ROOT, "scripts", "wine-warmup.sh")], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, timeout=300)
            if r.returncode != 0:
                raise RuntimeError("the monitors' Wine prefix would not start: " + r.stderr.strip())
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        if self.saved is not None and os.environ.get("WINEPREFIX") == PREFIX:
            self._wineserver("-k")
        if self.xvfb:
            self.xvfb.kill()
            self.xvfb.wait()
            self.xvfb = None
        if self.saved is not None:
            os.environ.clear()
            os.environ.update(self.saved)
            self.saved = None

    def _start_xvfb(self):
        """Xvfb picks a free display and writes its number to the pipe."""
        read, write = os.pipe()
        try:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write), "-screen", "0", "%dx%dx24" % (self.layout.width, self.layout.height),
                 "-extension", "RANDR", "-nolisten", "tcp", "-noreset", "-br"],
                pass_fds=(write,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write)
            write = None
            with os.fdopen(read, "r") as f:
                read = None
                number = f.readline().strip()
        finally:
            for fd in (read, write):
                if fd is not None:
                    os.close(fd)
        if not number.isdigit():
            raise RuntimeError("Xvfb did not start (exit code %s)" % self.xvfb.poll())
        self.display = ":" + number

    def _wineserver(self, *args):
        subprocess.run(["wineserver", *args], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)


def windows_monitors():
    """What Windows reports in the session (the harness's `monitors` command): a dict
    with 'monitors' [(rect, primary)], 'virtual' (x, y, w, h), 'count' (SM_CMONITORS)
    and 'adapters' [monitor index of each Direct3D 9 adapter]; 'raw' is the output."""
    code, out = s.run_wine(s.HARNESS, "monitors", timeout=120)
    values = dict(line.strip().split("=", 1) for line in out.splitlines() if "=" in line)
    assert code == 0 and "monitors" in values, "harness monitors: exit code %d, %r" % (code, out)
    ints = lambda text: tuple(int(v) for v in text.split(","))
    n = int(values["monitors"])
    adapters = values.get("adapters", "none")
    return {
        "monitors": [(ints(values["monitor.%d.rect" % i]), values["monitor.%d.primary" % i] == "1") for i in range(n)],
        "virtual": ints(values["virtual"]),
        "count": int(values["metrics.monitors"]),
        "adapters": [] if adapters == "none" else
                    [int(values["adapter.%d.monitor" % a]) for a in range(int(adapters))],
        "raw": out,
    }
