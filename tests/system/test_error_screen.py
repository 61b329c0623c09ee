"""The error screen of the real saver: an adapter whose acceleration was turned down
(Acceleration.Level above 0)
gets the localised error picture, centred, with the logo at the bottom-left, instead
of the flames. The expected pictures come out of the archive itself."""
import io
import os
import subprocess
import time
import unittest
import zipfile

from PIL import Image, ImageChops, ImageStat

import saverlib as s

ARCHIVE = os.path.join(s.BIN, "VantorelResource.dat")
PASSWORD = b"8305926"
LANGUAGE_KEY = r"HKLM\SOFTWARE\QUENDRA\ScreenSaver\Fire"


def reg(*args):
    return s.run_wine("reg", *args, timeout=30)


def adapter_key():
    """The adapter's registry key as Wine reports it (volatile: it lives as long as the server)."""
    _, out = reg("query", r"HKLM\HARDWARE\DEVICEMAP\VIDEO", "/v", r"\Device\Video0")
    for line in out.splitlines():
        if "Video0" in line:
            return line.split()[-1].replace("\\Registry\\Machine\\", "HKLM\\", 1)
    return None


def archive_picture(name):
    with zipfile.ZipFile(ARCHIVE) as z:
        return Image.open(io.BytesIO(z.read(name, pwd=PASSWORD))).convert("RGBA")


def expected_screen(size, background_name):
    """Black, the picture centred at its natural size, the logo at the bottom-left."""
    w, h = size
    frame = Image.new("RGBA", size, (0, 0, 0, 255))
    background = archive_picture(background_name)
    logo = archive_picture("Resource/logo.png")
    layer = Image.new("RGBA", size, (0, 0, 0, 0))
    layer.paste(background, ((w - background.width) // 2, (h - background.height) // 2))  # clipped when larger
    frame.alpha_composite(layer)
    frame.alpha_composite(logo, (0, h - logo.height))
    return frame.convert("RGB"), background.size, logo.size


def difference(a, b, box):
    """Mean absolute difference per channel inside the box."""
    return max(ImageStat.Stat(ImageChops.difference(a.crop(box), b.crop(box))).mean)


class ErrorScreen(unittest.TestCase):
    def setUp(self):
        self.key = adapter_key()
        self.assertTrue(self.key, "no adapter key")
        code, _ = reg("add", self.key, "/v", "Acceleration.Level", "/t", "REG_DWORD", "/d", "1", "/f")
        self.assertEqual(code, 0)
        _, out = reg("query", LANGUAGE_KEY, "/v", "CurLang", "/reg:32")
        self.saved_language = next((line.split()[-1] for line in out.splitlines() if "CurLang" in line), None)
        self.proc = None
        s.xdotool("mousemove", "400", "300")

    def tearDown(self):
        if self.proc:
            s.kill(self.proc)
            time.sleep(2)  # Wine keeps a destroyed full-screen window for a moment
        reg("delete", self.key, "/v", "Acceleration.Level", "/f")
        if self.saved_language is None:
            reg("delete", LANGUAGE_KEY, "/v", "CurLang", "/f", "/reg:32")
        else:
            reg("add", LANGUAGE_KEY, "/v", "CurLang", "/t", "REG_DWORD", "/d", str(int(self.saved_language, 0)), "/f",
                "/reg:32")

    def show(self, name):
        self.saver = s.Saver(s.SAVER, "/s")
        self.addCleanup(self.saver.end)
        self.proc = self.saver.proc
        self.assertTrue(self.saver.window(), "no full-screen window: " + self.saver.describe())
        time.sleep(1.5)
        shot = s.screenshot(name)
        # The saver names the cause, and it is not the speed test.
        self.assertIn("Failed system requirements. ScreenSaverProc()", self.saver.debug_output())
        self.assertFalse(self.saver.speed_test_failed())
        return shot

    def check_picture(self, shot, picture, other):
        size = shot.size
        want, (bw, bh), (lw, lh) = expected_screen(size, picture)
        w, h = size
        centre = (max(0, (w - bw) // 2), max(0, (h - bh) // 2), min(w, (w + bw) // 2), min(h, (h + bh) // 2))
        logo = (0, h - lh, lw, h)
        self.assertLess(difference(shot, want, centre), 4, "error picture not centred")
        self.assertLess(difference(shot, want, logo), 4, "logo not at the bottom-left")
        self.assertLess(difference(shot, want, (0, 0, w, h)), 4)
        other_want, _, _ = expected_screen(size, other)
        self.assertGreater(difference(shot, other_want, centre), difference(shot, want, centre) + 2)

    def test_rejected_adapter_shows_the_english_picture_and_closes_on_a_key(self):
        shot = self.show("error-english")
        self.check_picture(shot, "Resource/EnglishErrorFone.png", "Resource/JapanErrorFone.png")
        time.sleep(0.5)
        again = s.screenshot("error-english-2")
        self.assertLess(difference(shot, again, (0, 0) + shot.size), 1, "the screen changed")
        s.xdotool("key", "a")
        self.assertTrue(s.wait_exit(self.proc, 10), "the error screen did not close on a key")
        self.assertEqual(self.proc.returncode, 0)

    def test_language_6_shows_the_japanese_picture(self):
        code, _ = reg("add", LANGUAGE_KEY, "/v", "CurLang", "/t", "REG_DWORD", "/d", "6", "/f", "/reg:32")
        self.assertEqual(code, 0)
        shot = self.show("error-japanese")
        self.check_picture(shot, "Resource/JapanErrorFone.png", "Resource/EnglishErrorFone.png")
        s.xdotool("click", "1")
        self.assertTrue(s.wait_exit(self.proc, 10), "the error screen did not close on a click")

    def test_language_past_the_table_shows_the_english_picture(self):
        reg("add", LANGUAGE_KEY, "/v", "CurLang", "/t", "REG_DWORD", "/d", "7", "/f", "/reg:32")
        shot = self.show("error-language-7")
        self.check_picture(shot, "Resource/EnglishErrorFone.png", "Resource/JapanErrorFone.png")
        s.xdotool("key", "Escape")
        self.assertTrue(s.wait_exit(self.proc, 10))


def free_display():
    for n in range(150, 200):
        if not os.path.exists("/tmp/.X%d-lock" % n) and not os.path.exists("/tmp/.X11-unix/X%d" % n):
            return ":%d" % n
    raise RuntimeError("no free X display")


class SpeedTestFailure(unittest.TestCase):
    """On a screen far too large for the software renderer to draw 20 frames in the
    first second, the scene gives way to the error screen. One Wine server serves one
    X screen, so this runs in a prefix and on an Xvfb of its own."""
    SIZE = (3840, 2160)

    @classmethod
    def setUpClass(cls):
        cls.display = free_display()
        cls.xvfb = subprocess.Popen(["Xvfb", cls.display, "-screen", "0", "%dx%dx24" % cls.SIZE, "-nolisten", "tcp",
                                     "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        cls.env = dict(os.environ, DISPLAY=cls.display, WINEPREFIX=os.path.join(s.BUILD, "wineprefix-large"))
        for _ in range(50):
            if os.path.exists("/tmp/.X11-unix/X" + cls.display[1:]):
                break
            time.sleep(0.1)
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=cls.env)
        if not os.path.exists(os.path.join(cls.env["WINEPREFIX"], "system.reg")):
            subprocess.run(["wineboot", "-i"], timeout=300, **quiet)
        subprocess.run(["wineserver", "-p"], timeout=60, **quiet)
        subprocess.run(["wine", "wineboot"], timeout=300, **quiet)

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], env=cls.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        cls.xvfb.kill()
        cls.xvfb.wait()

    def test_a_screen_too_large_shows_the_error_picture(self):
        run = dict(env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        saver = s.Saver(s.SAVER, "/s", env=self.env)
        proc = saver.proc
        try:
            time.sleep(8)  # device creation and the failed first second at this size
            os.makedirs(s.SHOTS, exist_ok=True)
            path = os.path.join(s.SHOTS, "error-speed-test.png")
            subprocess.run(["import", "-window", "root", path], check=True, **run)
            shot = Image.open(path).convert("RGB")
            self.assertEqual(shot.size, self.SIZE)
            want, (bw, bh), (lw, lh) = expected_screen(shot.size, "Resource/EnglishErrorFone.png")
            w, h = shot.size
            self.assertLess(difference(shot, want, ((w - bw) // 2, (h - bh) // 2, (w + bw) // 2, (h + bh) // 2)), 4)
            self.assertLess(difference(shot, want, (0, h - lh, lw, h)), 4)
            # Said where the tests tell a busy machine from a broken scene.
            self.assertTrue(saver.speed_test_failed(), saver.describe())
            subprocess.run(["xdotool", "key", "a"], **run)
            self.assertTrue(s.wait_exit(proc, 20), "the error screen did not close on a key")
        finally:
            saver.end()


if __name__ == "__main__":
    unittest.main()
