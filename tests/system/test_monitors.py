"""The saver on several monitors: three layouts, each on one wide Xvfb screen whose
heads Wine takes from a stand-in Xinerama (monitorlib).

For each layout, first Wine must see exactly those monitors: a stand-in that did
not load leaves one monitor, on which every per-monitor check would pass on nothing.
Then the saver's scenes, judged on each monitor's area of the screenshot:
- flames on every monitor, hot along its own bottom edge (as test_flames judges a
  screen), with its own dark side margins;
- one picture, left half red and right half blue, fitted to every monitor: covering
  it (no bars), centred (the colours meet in its middle);
- the logo at the bottom-left of every monitor of at least 640 x 480;
- the areas of the X screen outside every head stay black;
- with MainMonitorOnly 1 only the primary shows flames, the others are black;
- a key closes the saver on every monitor, with exit code 0."""
import io
import os
import shutil
import time
import unittest
import zipfile

from PIL import Image, ImageChops, ImageStat

import monitorlib as m
import saverlib as s
from test_flames import ARCHIVE, PASSWORD, warm_share

PRIMARY_LEFT = m.Layout("1024x768+0+0", "800x600+1024+0")
PRIMARY_RIGHT = m.Layout("1024x768+800+0", "800x600+0+0")  # the other monitor at x = -800 in Windows
# Kept small: software rendering must draw the whole screen 20 times in the first second.
THREE_WITH_PORTRAIT = m.Layout("800x600+0+0", "480x640+800+0", "640x480+1280+0")
RED, BLUE = (220, 30, 30), (30, 60, 230)
DARK = 12  # the brightest channel of a black area, software rendering's noise included


def crop(img, head):
    return img.crop(head.box)


def brightest(img, box):
    return max(ImageStat.Stat(img.crop(box)).extrema[c][1] for c in range(3))


def median(img, box):
    channels = list(zip(*img.crop(box).getdata()))
    return tuple(sorted(c)[len(c) // 2] for c in channels)


def near(colour, want, delta=16):
    return all(abs(a - b) <= delta for a, b in zip(colour, want))


def logo():
    with zipfile.ZipFile(ARCHIVE) as z:
        return Image.open(io.BytesIO(z.read("Resource/logo.png", pwd=PASSWORD))).convert("RGBA")


class Layout:
    """Opens the layout's session for the class (a mixin: each layout is a subclass)."""
    layout = None

    @classmethod
    def setUpClass(cls):
        cls.session = m.Session(cls.layout)
        fault = cls.session.fixture_fault()
        if fault:
            raise AssertionError(fault)
        cls.session.__enter__()
        # Runs even when the rest of a subclass's set-up fails.
        cls.addClassCleanup(cls.session.__exit__, None, None, None)


class WineSeesTheMonitors(Layout):
    def test_windows_reports_exactly_the_heads(self):
        got = m.windows_monitors()
        want = sorted((rect, i == 0) for i, rect in enumerate(self.layout.windows_rects()))
        self.assertEqual(sorted(got["monitors"]), want, got["raw"])
        self.assertEqual(got["count"], len(want), got["raw"])
        self.assertEqual(got["virtual"], self.layout.windows_virtual_screen(), got["raw"])
        # Direct3D 9 has an adapter on each monitor, as on Windows.
        self.assertEqual(sorted(got["adapters"]), list(range(len(want))), got["raw"])


class MonitorScenes(Layout):
    """The saver's scenes, one per monitor."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        s.xdotool("mousemove", str(cls.layout.primary.x + 100), "100")
        cls.dir = s.temp_dir()
        cls.addClassCleanup(shutil.rmtree, cls.dir, ignore_errors=True)
        cls.saver = os.path.join(cls.dir, "Varnelle.scr")
        shutil.copy(s.SAVER, cls.saver)
        shutil.copy(ARCHIVE, cls.dir)
        half = Image.new("RGB", (400, 200), RED)
        half.paste(BLUE, (200, 0, 400, 200))
        cls.picture = os.path.join(cls.dir, "halves.png")
        half.save(cls.picture)
        cls.shots = {}

    def scene(self, name, fire_style=0, pictures=(), extra=()):
        """A screenshot of the saver past its blanked first second, taken once per
        class and settings (run_scene tells a busy machine from a fault, and closes it
        with a key, expecting exit code 0)."""
        if name not in self.shots:
            lines = s.standard_settings(fire_style=fire_style, show_images=1 if pictures else 0,
                                        pictures=["Z:" + p.replace("/", "\\") for p in pictures])
            s.write_settings(lines + list(extra), saver=self.saver)

            def shoot(saver):
                time.sleep(2.5)
                return s.screenshot("monitors_%s_%s" % (type(self).__name__, name))
            self.shots[name] = s.run_scene(self, lambda: s.Saver(self.saver, "/s"), shoot)
        return self.shots[name]

    def assert_flames(self, img, head):
        """As test_flames judges a screen: fire colours, and the bottom band (right of
        the logo) much brighter than the top band. Then the monitor's own side margins:
        near the base (above the logo) the outer strips are dark and the flames burn
        further in, where one scene across several monitors burns on over the seam."""
        view = crop(img, head)
        w, h = view.size
        self.assertGreater(warm_share(view), 0.3, head)
        bottom = s.mean_brightness(view, (5 + 172, h - 150, w, h))
        top = s.mean_brightness(view, (0, 0, w, 150))
        self.assertGreater(bottom, 2 * top, (head, bottom, top))
        self.assertGreater(bottom, 80, (head, bottom))
        edge = max(10, w // 40)
        for x0, x1, lit in ((0, edge, False), (w - edge, w, False), (w // 8, w // 3, True), (w - w // 3, w - w // 8, True)):
            level = s.mean_brightness(view, (x0, h - 110, x1, h - 70))
            if lit:
                self.assertGreater(level, 50, (head, "flames near the base", x0, x1))
            else:
                self.assertLess(level, 30, (head, "side margin", x0, x1))

    def test_flames_rise_from_every_monitors_bottom_edge(self):
        img = self.scene("flames")
        for head in self.layout.heads:
            with self.subTest(head=head):
                self.assert_flames(img, head)

    def test_nothing_is_drawn_outside_the_monitors(self):
        for name, style in (("flames", 0), ("dark", 3)):
            img = self.scene(name, fire_style=style)
            for box in self.layout.outside():
                with self.subTest(scene=name, box=box):
                    self.assertLess(brightest(img, box), DARK)

    def test_a_picture_covers_every_monitor_centred(self):
        img = self.scene("picture", fire_style=3, pictures=[self.picture])
        for head in self.layout.heads:
            with self.subTest(head=head):
                view = crop(img, head)
                w, h = view.size
                # Rows above the logo; near the top too, where bars would be.
                for top, bottom in ((2, h // 10), (h // 3, 2 * h // 3)):
                    for x0, x1, want in ((4, w // 8, RED), (w * 3 // 8, w * 9 // 20, RED),
                                         (w * 11 // 20, w * 5 // 8, BLUE), (w - w // 8, w - 4, BLUE)):
                        got = median(view, (x0, top, x1, bottom))
                        self.assertTrue(near(got, want), (head, (x0, top, x1, bottom), got, want))

    def test_the_logo_sits_bottom_left_on_every_large_monitor(self):
        img = self.scene("dark", fire_style=3)
        mark = logo()
        for head in self.layout.heads:
            if head.w < 640 or head.h < 480:
                continue
            with self.subTest(head=head):
                view = crop(img, head)
                w, h = view.size
                box = (5, h - 5 - mark.height, 5 + mark.width, h - 5)
                wide = (box[0] - 3, box[1] - 3, box[2] + 3, box[3] + 3)
                # The archive's logo composed on black, within a pixel or two of rounding.
                best = None
                for dx in range(-2, 3):
                    for dy in range(-2, 3):
                        want = Image.new("RGBA", (w, h), (0, 0, 0, 255))
                        want.alpha_composite(mark, (box[0] + dx, box[1] + dy))
                        d = max(ImageStat.Stat(ImageChops.difference(view.crop(wide),
                                                                     want.convert("RGB").crop(wide))).mean)
                        best = d if best is None else min(best, d)
                self.assertLess(best, 6, head)
                self.assertGreater(s.lit_share(view, box), 0.05, head)

    def test_main_monitor_only_leaves_the_others_black(self):
        img = self.scene("main-only", extra=["MainMonitorOnly 1"])
        self.assert_flames(img, self.layout.primary)
        for head in self.layout.heads[1:]:
            with self.subTest(head=head):
                self.assertLess(brightest(img, head.box), DARK)

    def test_a_key_closes_every_monitor(self):
        self.scene("flames")  # closed with a key and exit code 0, as every scene is
        # Nothing of it is left on any monitor (Wine keeps a destroyed window a moment).
        for _ in range(20):
            img = s.screenshot("monitors_%s_closed" % type(self).__name__)
            if brightest(img, (0, 0, self.layout.width, self.layout.height)) < DARK:
                break
            time.sleep(0.5)
        for head in self.layout.heads:
            self.assertLess(brightest(img, head.box), DARK, head)


class PrimaryLeftWine(WineSeesTheMonitors, unittest.TestCase):
    layout = PRIMARY_LEFT


class PrimaryRightWine(WineSeesTheMonitors, unittest.TestCase):
    layout = PRIMARY_RIGHT


class ThreeWithPortraitWine(WineSeesTheMonitors, unittest.TestCase):
    layout = THREE_WITH_PORTRAIT


class PrimaryLeftScenes(MonitorScenes, unittest.TestCase):
    layout = PRIMARY_LEFT

    def test_a_display_change_builds_every_monitor_again(self):
        """Wine keeps the monitors its session started with, so the saver gets the
        message alone: it reads the same monitors again and builds every scene anew on
        a new device. The flames come back on every monitor, the cursor's new baseline
        does not close it, and a key still does (exit code 0, no fault reported)."""
        s.write_settings(s.standard_settings(fire_style=0), saver=self.saver)

        def shoot(saver):
            time.sleep(2.0)
            found = s.run_wine(s.HARNESS, "find", "-", "Screen Saver", "5000", timeout=60)[1]
            hwnd = dict(l.split("=", 1) for l in found.replace("\r", "").splitlines() if "=" in l).get("hwnd", "0")
            self.assertNotEqual(hwnd, "0", "the saver's window was not found")
            s.run_wine(s.HARNESS, "displaychange", hwnd, timeout=60)
            time.sleep(2.5)
            self.assertIsNone(saver.proc.poll(), "the display change ended the saver: " + saver.describe())
            self.assertIn("Display changed: 2 monitors. RebuildScene()", saver.debug_output(), saver.describe())
            return s.screenshot("monitors_display_change")
        img = s.run_scene(self, lambda: s.Saver(self.saver, "/s"), shoot)
        for head in self.layout.heads:
            with self.subTest(head=head):
                self.assert_flames(img, head)


class PrimaryRightScenes(MonitorScenes, unittest.TestCase):
    layout = PRIMARY_RIGHT


class ThreeWithPortraitScenes(MonitorScenes, unittest.TestCase):
    layout = THREE_WITH_PORTRAIT


if __name__ == "__main__":
    unittest.main()
