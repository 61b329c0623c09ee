"""The flames of the real saver on an 800 x 600 Xvfb screen, one run per style,
chosen through the settings file. Screenshots are taken past the blanked first
second (the start-up speed test) and half a second apart, and measured:

- warm share: pixels whose red exceeds 60 with red >= green >= blue (fire colours);
- "Fire" is hot at the bottom: the bottom band (rows 450-600, right of the logo) is
  at least twice as bright as the top band (rows 0-150);
- "Fireball" is a ball: its middle is bright, the four corners dark;
- "Detonation" is brightest in the middle third, and fills much of the screen;
- two frames of one style half a second apart differ in at least a tenth of the
  pixels (the flames move); any two styles differ in at least a third;
- style 3 draws nothing: the screen is black apart from the logo, which matches the
  archive's logo composed at the bottom-left (5 pixels from the edges).

The preview (152 x 112 child window) is checked in-process by the unit test
FlamesPreview, as a child window's Direct3D output never reaches an X screenshot."""
import io
import os
import shutil
import time
import unittest
import zipfile

from PIL import Image, ImageChops, ImageStat

import saverlib as s

ARCHIVE = os.path.join(s.BIN, "VantorelResource.dat")
PASSWORD = b"8305926"


def warm_share(img, box=None):
    if box:
        img = img.crop(box)
    px = img.getdata()
    return sum(1 for r, g, b in px if r > 60 and r >= g >= b) / float(len(px))


def changed_share(a, b, box):
    diff = ImageChops.difference(a.crop(box), b.crop(box)).convert("L")
    px = diff.getdata()
    return sum(1 for v in px if v > 8) / float(len(px))


class SaverCopy:
    """The saver and its archive in a folder of their own, with a settings file."""

    def __init__(self):
        self.dir = s.temp_dir()
        self.saver = os.path.join(self.dir, "Varnelle.scr")
        shutil.copy(s.SAVER, self.saver)
        shutil.copy(ARCHIVE, self.dir)

    def settings(self, style):
        s.write_settings(s.standard_settings(fire_style=style, show_images=0), saver=self.saver)

    def remove(self):
        shutil.rmtree(self.dir, ignore_errors=True)


class Flames(unittest.TestCase):
    shots = {}

    @classmethod
    def setUpClass(cls):
        cls.copy = SaverCopy()
        s.xdotool("mousemove", "400", "300")
        cls.size = s.screen_size()
        for style in (0, 1, 2, 3):
            cls.shots[style] = cls.run_style(style)

    @classmethod
    def tearDownClass(cls):
        cls.copy.remove()

    @classmethod
    def run_style(cls, style):
        """Two screenshots half a second apart, or why there are none: a text for a
        fault of the saver, None when its start-up speed test counted too few frames
        in every try (on this shared machine a busy moment can do that; the saver
        says so on its debugger output and shows the error screen instead)."""
        cls.copy.settings(style)
        for attempt in range(4):
            saver = s.Saver(cls.copy.saver, "/s")
            try:
                if not saver.window():
                    return "the saver made no window: " + saver.describe()
                time.sleep(2.5)
                first = s.screenshot("flames_%d_a" % style)
                time.sleep(0.5)
                second = s.screenshot("flames_%d_b" % style)
                if not saver.speed_test_failed():
                    if saver.close() != 0:
                        return "a key did not close the saver with exit code 0: " + saver.describe()
                    if saver.faults():
                        return "the saver reported faults of its own: " + saver.describe()
                    return first, second
            finally:
                saver.end()
                time.sleep(2.5)  # Wine keeps a destroyed full-screen window for a moment
        return None

    def shot(self, style, which=0):
        outcome = self.shots[style]
        if outcome is None:
            self.skipTest("the saver's start-up speed test counted too few frames 4 times: the machine is too busy")
        if isinstance(outcome, str):
            self.fail(outcome)
        return outcome[which]

    def logo_box(self):
        with zipfile.ZipFile(ARCHIVE) as z:
            logo = Image.open(io.BytesIO(z.read("Resource/logo.png", pwd=PASSWORD))).convert("RGBA")
        w, h = self.size
        return logo, (5, h - 5 - logo.height, 5 + logo.width, h - 5)

    def test_fire_rises_from_a_hot_bottom_edge(self):
        img = self.shot(0)
        w, h = self.size
        _, logo = self.logo_box()
        self.assertGreater(warm_share(img), 0.3)
        bottom = s.mean_brightness(img, (logo[2], h - 150, w, h))
        top = s.mean_brightness(img, (0, 0, w, 150))
        self.assertGreater(bottom, 2 * top)
        self.assertGreater(bottom, 80)

    def test_fireball_is_a_ball(self):
        img = self.shot(1)
        w, h = self.size
        self.assertGreater(warm_share(img), 0.1)
        middle = s.mean_brightness(img, (w // 2 - 50, h // 2 - 50, w // 2 + 50, h // 2 + 50))
        self.assertGreater(middle, 120)
        for box in ((0, 0, 60, 60), (w - 60, 0, w, 60), (w - 60, h - 60, w, h)):
            self.assertLess(s.mean_brightness(img, box), 20, box)

    def test_detonation_is_a_blast_in_the_middle(self):
        img = self.shot(2)
        w, h = self.size
        self.assertGreater(warm_share(img), 0.2)
        middle = s.mean_brightness(img, (w // 3, h // 3, 2 * w // 3, 2 * h // 3))
        self.assertGreater(middle, 2 * s.mean_brightness(img, (0, 0, w, 60)))

    def test_frames_half_a_second_apart_differ(self):
        w, h = self.size
        for style in (0, 1, 2):
            self.assertGreater(changed_share(self.shot(style, 0), self.shot(style, 1), (0, 0, w, h - 120)), 0.1,
                               "style %d" % style)

    def test_the_three_styles_differ(self):
        w, h = self.size
        for a, b in ((0, 1), (1, 2), (0, 2)):
            self.assertGreater(changed_share(self.shot(a), self.shot(b), (0, 0, w, h)), 0.3, (a, b))

    def test_style_3_draws_nothing_but_the_logo(self):
        img = self.shot(3)
        logo, box = self.logo_box()
        w, h = self.size
        outside = img.copy()
        outside.paste((0, 0, 0), (box[0] - 3, box[1] - 3, box[2] + 3, box[3] + 3))
        self.assertLess(max(ImageStat.Stat(outside).extrema[c][1] for c in range(3)), 12)
        # The archive's logo composed on black at the bottom-left, within a pixel or
        # two of rounding (the quad is not offset by half a pixel).
        best = None
        for dx in range(-2, 3):
            for dy in range(-2, 3):
                expected = Image.new("RGBA", (w, h), (0, 0, 0, 255))
                expected.alpha_composite(logo, (box[0] + dx, box[1] + dy))
                wide = (box[0] - 3, box[1] - 3, box[2] + 3, box[3] + 3)
                d = max(ImageStat.Stat(ImageChops.difference(img.crop(wide), expected.convert("RGB").crop(wide))).mean)
                best = d if best is None else min(best, d)
        self.assertLess(best, 6)
        self.assertGreater(s.lit_share(img, box), 0.05)

    def test_the_logo_sits_bottom_left_above_the_flames(self):
        # The logo is drawn after the flames: where it is opaque it shows the same
        # pixels in every style.
        logo, box = self.logo_box()
        opaque = [(x, y) for y in range(logo.height) for x in range(logo.width) if logo.getpixel((x, y))[3] == 255]
        self.assertTrue(opaque)
        reference = self.shot(3).crop(box)
        for style in (0, 1, 2):
            crop = self.shot(style).crop(box)
            same = sum(1 for p in opaque if max(abs(a - b) for a, b in zip(crop.getpixel(p), reference.getpixel(p))) < 12)
            self.assertGreater(same / len(opaque), 0.9, "style %d" % style)


if __name__ == "__main__":
    unittest.main()
