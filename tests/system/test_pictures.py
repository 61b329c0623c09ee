"""The user's pictures behind the flames, seen on the screen of the real saver.

Each test runs its own copy of the saver (with the archive) in a private folder, so
its settings file touches no other test. The backdrop is judged by the median colour
of a band of the screen: with the flames switched off (style 3), or above the
flames' reach."""
import os
import shutil
import struct
import subprocess
import time
import unittest
import zlib
from collections import Counter

from PIL import Image

import saverlib as s
from test_error_screen import ARCHIVE, difference, expected_screen

RED = (220, 30, 30)
BLUE = (30, 60, 230)
GREEN = (40, 200, 60)
MESSAGE = 'OutputDebugStringA "Failed to load texture. UserTextures::AddTexture ()\\n"'


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def huge_png(path, side):
    """A valid 1-bit PNG: a few kilobytes on disk, gigabytes once decoded."""
    row = b"\x00" + b"\x00" * ((side + 7) // 8)
    data = zlib.compress(row * side, 9)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 1, 0, 0, 0, 0))
                + chunk(b"IDAT", data) + chunk(b"IEND", b""))


def band_median(img, top=0, bottom=60):
    """Median of each channel over a horizontal band."""
    band = img.crop((0, top, img.size[0], bottom))
    channels = list(zip(*band.getdata()))
    return tuple(sorted(c)[len(c) // 2] for c in channels)


def band_mode(img, top=0, bottom=100):
    """The commonest colour of a horizontal band."""
    band = img.crop((0, top, img.size[0], bottom))
    return Counter(band.getdata()).most_common(1)[0][0]


def blend(outgoing, incoming, fade):
    """The backdrop's colour at a fade position: outgoing x (1 - fade) + incoming x fade."""
    return [o * (1 - fade) + i * fade for o, i in zip(outgoing, incoming)]


def fade_phase(colour, first, second):
    """Where a two-picture cross-fade stands, from one screen colour: 0..1 while the
    first picture fades into the second, 1..2 on the way back (a cycle: 2 is 0). Also the largest
    channel's distance from that blend, so a caller can tell it is one at all."""
    best = None
    for phase in range(2001):
        p = phase / 1000.0
        colour_at = blend(first, second, p) if p < 1 else blend(second, first, p - 1)
        error = max(abs(a - b) for a, b in zip(colour, colour_at))
        if best is None or error < best[1]:
            best = (p, error)
    return best


def shows_error_screen(shot):
    if not os.path.exists(ARCHIVE):
        return max(band_median(shot, shot.size[1] - 60, shot.size[1])) < 5 and max(band_median(shot)) < 5
    want, _, _ = expected_screen(shot.size, "Resource/EnglishErrorFone.png")
    return difference(shot, want, (0, 0) + shot.size) < 4


class SaverCopy:
    """The saver and its archive in a folder of their own, with a settings file."""

    def __init__(self):
        self.dir = s.temp_dir()
        self.saver = os.path.join(self.dir, "Varnelle.scr")
        shutil.copy(s.SAVER, self.saver)
        archive = os.path.join(s.BIN, "VantorelResource.dat")
        if os.path.exists(archive):
            shutil.copy(archive, self.dir)

    def picture(self, name, colour):
        path = os.path.join(self.dir, name)
        Image.new("RGB", (64, 64), colour).save(path)
        return path

    def settings(self, pictures, show_images=1, fire_style=3, extra=()):
        """Fire style 3 draws no flames, so the backdrop can be judged alone."""
        lines = s.standard_settings(fire_style=fire_style, show_images=show_images,
                                    pictures=[windows_path(p) if p else "" for p in pictures]) + list(extra)
        with open(s.settings_path(self.saver), "wb") as f:
            f.write("".join(line + "\r\n" for line in lines).encode("utf-8"))

    def remove(self):
        shutil.rmtree(self.dir, ignore_errors=True)


class Backdrop(unittest.TestCase):
    def setUp(self):
        self.copy = SaverCopy()
        self.proc = self.saver = None
        s.xdotool("mousemove", "400", "300")

    def tearDown(self):
        if self.proc:
            s.kill(self.proc)
            time.sleep(2)  # Wine keeps a destroyed full-screen window for a moment
        if self.saver:
            self.saver.end()
        self.copy.remove()

    def run_saver(self, name):
        """Starts the saver and screenshots it past the blanked first second. On this
        shared machine a busy moment can fail the start-up speed test, which shows
        the error screen instead of the scene and which the saver names on its
        debugger output: such a run is tried again, and after three the test is
        skipped, since there is no backdrop to judge. Any other error screen fails."""
        for attempt in range(3):
            self.saver = s.Saver(self.copy.saver, "/s")
            self.proc = self.saver.proc
            self.assertTrue(self.saver.window(), "no full-screen window: " + self.saver.describe())
            time.sleep(2.5)
            shot = s.screenshot(name)
            if not self.saver.speed_test_failed():
                self.assertFalse(shows_error_screen(shot), "the error screen: " + self.saver.describe())
                return shot
            self.saver.end()
            time.sleep(3)
        self.skipTest("the saver's start-up speed test counted too few frames 3 times: the machine is too busy")

    def close_saver(self):
        s.xdotool("key", "a")
        self.assertTrue(s.wait_exit(self.proc, 10), "did not close on a key")
        self.assertEqual(self.proc.returncode, 0)
        self.assertEqual(self.saver.faults(), [], self.saver.describe())

    def test_two_pictures_cross_fade(self):
        # The second picture's name is Russian: it has to survive the settings file.
        red = self.copy.picture("red.png", RED)
        blue = self.copy.picture("\u0424\u043e\u0442\u043e \u0441\u0438\u043d\u0435\u0435.png", BLUE)
        self.copy.settings([red, blue])
        first = self.run_saver("pictures-fade-1")
        time.sleep(2.0)
        second = s.screenshot("pictures-fade-2")
        a, b = band_median(first, 0, 400), band_median(second, 0, 400)
        # Each shot is the blend of the two pictures at some point of the fade, and the
        # fade moves on between them: two seconds are an eighth of a fade.
        (pa, ea), (pb, eb) = fade_phase(a, RED, BLUE), fade_phase(b, RED, BLUE)
        self.assertLess(ea, 6, ("not a blend of the two pictures", a, pa))
        self.assertLess(eb, 6, ("not a blend of the two pictures", b, pb))
        self.assertGreater((pb - pa) % 2.0, 0.05, ("the fade did not move on", a, pa, b, pb))
        self.close_saver()

    def test_what_cameras_and_phones_write_shows_whole_shuffled_and_closes(self):
        """A folder of every kind of file a photo library holds, made here with ImageMagick
        and PIL, broken ones among them, shown whole and shuffled under the flames."""
        folder = os.path.join(self.copy.dir, "camera")
        os.makedirs(folder)
        base = os.path.join(folder, "baseline.jpg")
        magick = lambda *args: subprocess.run(["convert", *args], check=True, capture_output=True)
        magick("-size", "640x480", "gradient:#c83c28-#2850c8", base)
        for name, options in (("progressive.jpg", ["-interlace", "JPEG"]), ("cmyk.jpg", ["-colorspace", "CMYK"]),
                              ("grey.jpg", ["-colorspace", "Gray"]), ("deep.png", ["-depth", "16"]),
                              ("palette.png", ["-colors", "16", "-type", "Palette"]),
                              ("grey-alpha.png", ["-colorspace", "Gray", "-alpha", "set", "-channel", "A",
                                                  "-evaluate", "set", "60%"]),
                              ("interlaced.png", ["-interlace", "PNG"]), ("plain.bmp", []), ("anim.gif", []),
                              ("scan.tif", []), ("tiny.png", ["-resize", "16x16!"])):
            magick(base, *options, os.path.join(folder, name))
        # ImageMagick's default policy refuses pictures this wide: PIL makes the panorama.
        Image.linear_gradient("L").resize((30000, 2000)).convert("RGB").save(os.path.join(folder, "panorama.jpg"))
        stored = Image.open(base)
        for orientation in range(1, 9):
            exif = Image.Exif()
            exif[0x0112] = orientation
            stored.save(os.path.join(folder, "turned%d.jpg" % orientation), "JPEG", exif=exif.tobytes())
        with open(base, "rb") as f:
            whole = f.read()
        with open(os.path.join(folder, "truncated.jpg"), "wb") as f:
            f.write(whole[:len(whole) // 3])
        open(os.path.join(folder, "empty.png"), "wb").close()
        with open(os.path.join(folder, "notes.png"), "w") as f:
            f.write("not a picture\n")
        shutil.copy(os.path.join(folder, "tiny.png"), os.path.join(folder, "png-named.jpg"))
        self.copy.settings([folder], fire_style=0, extra=["ShowWholePictures 1", "ShufflePictures 1"])
        first = self.run_saver("camera-formats-1")
        time.sleep(4.0)
        second = s.screenshot("camera-formats-2")
        self.assertIsNone(self.proc.poll(), "the saver ended: " + self.saver.describe())
        # A picture (or its blurred bars) behind the flames: the top band is not black.
        self.assertGreater(max(max(band_median(first, 0, 100)), max(band_median(second, 0, 100))), 20)
        self.close_saver()

    def test_cross_fade_moves_under_the_flames(self):
        red, blue = self.copy.picture("red.png", RED), self.copy.picture("blue.png", BLUE)
        self.copy.settings([red, blue], fire_style=0)
        first = self.run_saver("pictures-under-flames-1")
        time.sleep(2.0)
        second = s.screenshot("pictures-under-flames-2")
        h = first.size[1]
        # Between the tongues of flame the backdrop shows unchanged: the commonest colour,
        # a blend of the two pictures that moves on between the shots.
        a, b = band_mode(first), band_mode(second)
        (pa, ea), (pb, eb) = fade_phase(a, RED, BLUE), fade_phase(b, RED, BLUE)
        self.assertLess(ea, 6, ("not a blend of the two pictures", a, pa))
        self.assertLess(eb, 6, ("not a blend of the two pictures", b, pb))
        self.assertGreater((pb - pa) % 2.0, 0.05, ("the fade did not move on", a, pa, b, pb))
        for shot, backdrop in ((first, a), (second, b)):
            bottom = band_median(shot, h - 120, h - 60)
            self.assertGreater(bottom[1], backdrop[1] + 40, (backdrop, bottom))  # the flames' glow over it
        self.close_saver()

    def test_one_picture_lies_under_the_flames(self):
        self.copy.settings([self.copy.picture("blue.png", BLUE)], fire_style=0)
        shot = self.run_saver("pictures-one-under-flames")
        h = shot.size[1]
        self.assertEqual(band_mode(shot), BLUE)  # between the tongues: the picture itself, opaque
        bottom = band_median(shot, h - 120, h - 60)
        self.assertGreater(bottom[0], BLUE[0] + 40, bottom)  # the flames' warmth over it
        self.close_saver()

    def test_one_picture_is_shown_opaque_without_fading(self):
        self.copy.settings([self.copy.picture("green.png", GREEN)])
        a = band_median(self.run_saver("pictures-one-1"), 0, 400)
        time.sleep(1.0)
        b = band_median(s.screenshot("pictures-one-2"), 0, 400)
        for got in (a, b):
            for channel, want in zip(got, GREEN):
                self.assertAlmostEqual(channel, want, delta=3)
        self.close_saver()

    def test_no_backdrop_when_switched_off_or_nothing_loads(self):
        red = self.copy.picture("red.png", RED)
        for pictures, show in (([red], 0), ([], 1)):
            with self.subTest(pictures=len(pictures), show=show):
                self.copy.settings(pictures, show_images=show)
                top = band_median(self.run_saver("pictures-none-%d" % show), 0, 400)
                self.assertLess(max(top), 25, top)
                self.close_saver()
                self.proc = None
                time.sleep(2)

    def test_bad_pictures_are_skipped_and_the_saver_runs_on(self):
        text = os.path.join(self.copy.dir, "notes.jpg")
        with open(text, "w") as f:
            f.write("not a picture\n")
        empty = os.path.join(self.copy.dir, "empty.png")
        open(empty, "wb").close()
        huge = os.path.join(self.copy.dir, "huge.png")
        huge_png(huge, 20000)
        green = self.copy.picture("green.png", GREEN)
        missing = os.path.join(self.copy.dir, "missing.jpg")
        self.copy.settings([missing, text, empty, huge, green])
        self.run_saver("pictures-bad")
        # The pictures are read after the start-up second, one after another, as the
        # slideshow reaches them: the good one shows once the broken ones before it
        # have been tried, alone and opaque, as the list's only readable picture.
        top = None
        for _ in range(40):
            top = band_median(s.screenshot("pictures-bad"), 0, 400)
            if all(abs(channel - want) <= 3 for channel, want in zip(top, GREEN)):
                break
            time.sleep(0.25)
        self.assertIsNone(self.proc.poll(), "the saver ended")
        for channel, want in zip(top, GREEN):
            self.assertAlmostEqual(channel, want, delta=3)
        self.close_saver()
        with open(self.saver.log, encoding="utf-8", errors="replace") as f:
            log = f.read()
        self.assertEqual(log.count(MESSAGE), 4, log[-2000:])


if __name__ == "__main__":
    unittest.main()
