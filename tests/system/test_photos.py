"""Photo libraries under the real saver: start-up that does not wait for the
pictures, memory that stays within a bound however long the list, a photo taken
upright shown upright, and folders walked in order past broken files."""
import os
import random
import time
import unittest

from PIL import Image

import saverlib as s
from test_pictures import SaverCopy, band_median

RED = (220, 30, 30)
GREEN = (40, 200, 60)
BLUE = (30, 60, 230)


def camera_photo(path, seed, size=(4000, 3000)):
    """A 12-megapixel JPEG with enough detail to cost a real decode."""
    rng = random.Random(seed)
    small = Image.new("RGB", (80, 60))
    small.putdata([(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(80 * 60)])
    small.resize(size, Image.BILINEAR).save(path, "JPEG", quality=90)
    return path


def rss_mb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) / 1024.0
    except OSError:
        pass
    return 0.0


def dominant(colour):
    """Which of red, green and blue a backdrop colour is nearest, or None for black."""
    if max(colour) < 20:
        return None
    return ("red", "green", "blue")[max(range(3), key=lambda i: colour[i] - sum(colour) / 3.0)]


class Photos(unittest.TestCase):
    def setUp(self):
        self.copy = SaverCopy()
        self.proc = None
        s.xdotool("mousemove", "400", "300")

    def tearDown(self):
        if self.proc:
            s.kill(self.proc)
            time.sleep(2)
        self.copy.remove()

    def start(self):
        t0 = time.time()
        self.proc = s.wine(self.copy.saver, "/s", stdout=s.subprocess.DEVNULL)
        self.assertTrue(s.find_windows("^Screen Saver$"), "no full-screen window")
        return time.time() - t0

    def close(self):
        s.xdotool("key", "a")
        self.assertTrue(s.wait_exit(self.proc, 10), "did not close on a key")
        self.assertEqual(self.proc.returncode, 0)
        self.proc = None
        time.sleep(2)

    def test_a_long_list_of_big_photos_neither_delays_start_nor_grows_memory(self):
        photos = [camera_photo(os.path.join(self.copy.dir, "photo%d.jpg" % i), i) for i in range(3)]
        self.copy.settings([], show_images=1, fire_style=0)
        bare = self.start()
        time.sleep(3)
        bare_rss = rss_mb(self.proc.pid)
        self.close()

        entries = [photos[i % 3] for i in range(2000)]
        self.copy.settings(entries, show_images=1, fire_style=0)
        with_photos = self.start()
        self.assertLess(with_photos, bare + 1.5, "2000 photo entries delayed the window")
        peak = 0.0
        for _ in range(30):  # the first photos decode and fade in meanwhile
            time.sleep(0.5)
            peak = max(peak, rss_mb(self.proc.pid))
        shot = s.screenshot("photos-library")
        self.close()
        # One full-size decode (48 MB) and three screen-sized pictures at the most.
        self.assertLess(peak - bare_rss, 250, "memory grew by %.0f MB (%.0f MB without photos)" % (
            peak - bare_rss, bare_rss))
        # The photo shows between the tongues of flame: the top band is no longer black.
        self.assertGreater(max(band_median(shot, 0, 100)), 20)

    def test_a_photo_taken_upright_is_shown_upright_and_covers_the_screen(self):
        # Stored on its side (red left, blue right); its Exif tag says to turn it a
        # quarter clockwise, which puts red on top.
        path = os.path.join(self.copy.dir, "upright.jpg")
        stored = Image.new("RGB", (600, 400), BLUE)
        stored.paste(Image.new("RGB", (300, 400), RED), (0, 0))
        exif = Image.Exif()
        exif[0x0112] = 6
        stored.save(path, "JPEG", quality=95, exif=exif.tobytes())
        self.copy.settings([path], show_images=1, fire_style=3)
        self.start()
        shot = None
        for _ in range(40):
            time.sleep(0.25)
            shot = s.screenshot("photos-upright")
            if max(band_median(shot, 0, 100)) > 40:
                break
        w, h = shot.size
        top, bottom = band_median(shot, 20, 120), band_median(shot, h - 160, h - 60)
        self.close()
        self.assertEqual(dominant(top), "red", top)
        self.assertEqual(dominant(bottom), "blue", bottom)
        # Covered, not stretched or boxed: both left and right edges show the picture.
        left = shot.crop((0, 200, 20, 260)).resize((1, 1)).getpixel((0, 0))
        right = shot.crop((w - 20, 200, w, 260)).resize((1, 1)).getpixel((0, 0))
        self.assertEqual(dominant(left), dominant(right))

    def test_folders_are_walked_in_order_past_broken_files(self):
        root = os.path.join(self.copy.dir, "library")
        os.makedirs(os.path.join(root, "sub", "deep"))
        Image.new("RGB", (64, 48), RED).save(os.path.join(root, "01.png"))
        with open(os.path.join(root, "02 broken.jpg"), "wb") as f:
            f.write(b"\xff\xd8 not a photo at all")
        with open(os.path.join(root, "notes.txt"), "w") as f:
            f.write("not a picture\n")
        Image.new("RGB", (64, 48), GREEN).save(os.path.join(root, "sub", "03.png"))
        Image.new("RGB", (64, 48), BLUE).save(os.path.join(root, "sub", "deep", "04.png"))
        self.copy.settings([root], show_images=1, fire_style=3)
        self.start()
        seen = []
        end = time.time() + 40
        while time.time() < end and seen[-1:] != ["blue"]:
            colour = dominant(band_median(s.screenshot("photos-folder"), 0, 400))
            if colour and (not seen or seen[-1] != colour):
                seen.append(colour)
            time.sleep(0.3)
        self.assertIsNone(self.proc.poll(), "the saver ended")
        self.close()
        self.assertEqual(seen[:3], ["red", "green", "blue"])


if __name__ == "__main__":
    unittest.main()
