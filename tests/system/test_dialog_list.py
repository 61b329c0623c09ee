"""The picture list box of the configuration dialog: its menu on the clicked line,
the folder dialog, the Remove buttons, and what the empty list shows."""
import io
import os
import subprocess
import time
import unittest

from PIL import Image, ImageChops, ImageStat

from dialoglib import (IDOK, LIST, REMOVE, REMOVE_ALL, SHOW_IMAGES, ConfigDialog, SaverCopy, harness,
                       set_language, settings_bytes, top_windows, winpath)
from saverlib import BIN, screenshot, xdotool

PASSWORD = "8305926"


def archive_picture(entry):
    data = subprocess.run(["unzip", "-P", PASSWORD, "-p", os.path.join(BIN, "VantorelResource.dat"), entry],
                          stdout=subprocess.PIPE, check=True).stdout
    return Image.open(io.BytesIO(data)).convert("RGB")


class ListMenu(unittest.TestCase):
    LINES = ["C:\\a.jpg", "C:\\b.jpg", "C:\\c.jpg", "C:\\d.jpg"]

    def setUp(self):
        set_language(None)
        self.copy = SaverCopy()
        self.copy.write_settings(self.LINES, show_images=1)
        self.dialog = ConfigDialog(self.copy.saver)
        time.sleep(0.5)

    def tearDown(self):
        self.dialog.kill()
        self.copy.remove()

    def open_menu(self, line):
        values, _ = harness("itempoint", self.dialog.hwnd, LIST, line)
        xdotool("mousemove", values["x"], values["y"])
        time.sleep(0.2)
        xdotool("click", "3")
        for _ in range(50):
            menu = next((w for w in top_windows() if w["class"] == "#32768"), None)
            if menu:
                return menu
            time.sleep(0.1)
        self.fail("no menu")

    def choose(self, menu, item):
        """Clicks item 0 (Add), 1 (Add Folder...), 2 (Remove) or 3 (Remove All) of the open menu."""
        xdotool("mousemove", str(menu["x"] + 20), str(menu["y"] + menu["h"] * (2 * item + 1) // 8))
        time.sleep(0.2)
        xdotool("click", "1")
        time.sleep(0.8)

    def test_remove_acts_on_the_clicked_line(self):
        menu = self.open_menu(2)
        self.choose(menu, 2)
        controls = self.dialog.controls()
        self.assertEqual(controls[LIST]["items"], ["C:\\a.jpg", "C:\\b.jpg", "C:\\d.jpg"])
        self.assertEqual(controls[LIST]["sel"], 1)
        self.assertTrue(self.dialog.close(IDOK))
        self.assertEqual(self.copy.read_settings(), settings_bytes(["C:\\a.jpg", "C:\\b.jpg", "C:\\d.jpg"]))

    def test_dismissing_the_menu_changes_nothing(self):
        menu = self.open_menu(1)
        screenshot("dialog-list-menu")
        xdotool("key", "Escape")
        time.sleep(0.5)
        if any(w["class"] == "#32768" for w in top_windows()):
            # No keyboard focus without a window manager: a click beside the menu dismisses it too.
            xdotool("mousemove", str(menu["x"] + menu["w"] + 150), str(menu["y"] + menu["h"] + 150))
            xdotool("click", "1")
            time.sleep(0.5)
        self.assertFalse(any(w["class"] == "#32768" for w in top_windows()))
        controls = self.dialog.controls()
        self.assertEqual(controls[LIST]["items"], self.LINES)
        self.assertEqual(controls[SHOW_IMAGES]["check"], 1)

    def test_remove_all_from_the_menu(self):
        self.choose(self.open_menu(0), 3)
        controls = self.dialog.controls()
        self.assertEqual(controls[LIST]["count"], 0)
        self.assertEqual(controls[SHOW_IMAGES]["check"], 0)
        self.assertTrue(self.dialog.close(IDOK))
        self.assertEqual(self.copy.read_settings(), settings_bytes([], show_images=0))

    def test_add_from_the_menu(self):
        folder = os.path.join(self.copy.folder, "pictures")
        os.makedirs(folder)
        open(os.path.join(folder, "new.png"), "wb").close()
        self.dialog.choose_files(folder, ["new.png"], via_menu=lambda: self.choose(self.open_menu(0), 0))
        self.assertEqual(self.dialog.lines(), self.LINES + [winpath(folder) + "\\new.png"])

    def test_add_folder_from_the_menu(self):
        folder = os.path.join(self.copy.folder, "Camera Roll")
        os.makedirs(os.path.join(folder, "2023"))
        self.dialog.choose_folder(folder, via_menu=lambda: self.choose(self.open_menu(1), 1))
        controls = self.dialog.controls()
        self.assertEqual(controls[LIST]["items"], self.LINES + [winpath(folder)])
        self.assertEqual(controls[LIST]["data"], [0, 0, 0, 0, 1])  # the folder line is marked
        self.assertTrue(self.dialog.close(IDOK))
        self.assertEqual(self.copy.read_settings(), settings_bytes(self.LINES + [winpath(folder)]))

    def test_remove_buttons(self):
        harness("select", self.dialog.hwnd, LIST, -1)
        self.dialog.command(REMOVE)  # nothing selected: nothing removed, the first line selected
        time.sleep(0.3)
        controls = self.dialog.controls()
        self.assertEqual(controls[LIST]["items"], self.LINES)
        self.assertEqual(controls[LIST]["sel"], 0)
        for _ in self.LINES:
            self.dialog.command(REMOVE)
        time.sleep(0.5)
        controls = self.dialog.controls()
        self.assertEqual(controls[LIST]["count"], 0)
        self.assertEqual(controls[SHOW_IMAGES]["check"], 0)
        self.dialog.command(REMOVE_ALL)  # on an empty list: harmless
        self.assertTrue(self.dialog.close(IDOK))
        self.assertEqual(self.copy.read_settings(), settings_bytes([], show_images=0))


class EmptyList(unittest.TestCase):
    def tearDown(self):
        set_language(None)

    def list_area(self, with_archive, language, shot):
        set_language(language)
        copy = SaverCopy(with_archive=with_archive)
        dialog = ConfigDialog(copy.saver)
        try:
            time.sleep(1.5)
            left, top, right, bottom = map(int, dialog.controls()[LIST]["rect"].split(","))
            # Inside the border.
            return screenshot(shot).crop((left + 2, top + 2, right - 2, bottom - 2))
        finally:
            dialog.close()
            copy.remove()

    def assert_shows(self, area, picture):
        expected = picture.resize((area.width + 4, area.height + 4), Image.BILINEAR).crop(
            (2, 2, area.width + 2, area.height + 2))
        difference = sum(ImageStat.Stat(ImageChops.difference(area, expected)).mean) / 3
        blank = sum(ImageStat.Stat(ImageChops.difference(area, Image.new("RGB", area.size, "white"))).mean) / 3
        self.assertLess(difference, 12, "the list does not show the picture")
        self.assertLess(difference, blank / 2)

    def test_english_background_without_the_value(self):
        area = self.list_area(True, None, "dialog-empty-en")
        self.assert_shows(area, archive_picture("Resource/ListBoxEnglishFone.png"))

    def test_japanese_background(self):
        area = self.list_area(True, 6, "dialog-empty-jp")
        self.assert_shows(area, archive_picture("Resource/ListBoxJapanFone.png"))

    def test_hint_lines_without_the_picture(self):
        area = self.list_area(False, None, "dialog-empty-hints")
        pixels = list(area.getdata())
        white = sum(1 for p in pixels if min(p) > 245)
        blue = [(x, y) for y in range(area.height) for x in range(area.width)
                if (lambda p: p[2] > p[0] + 25 and p[2] > p[1] + 25 and max(p) < 200)(area.getpixel((x, y)))]
        self.assertGreater(white / len(pixels), 0.85)
        self.assertGreater(len(blue), 200, "no dark blue text")
        # The first line sits in the band 0..50, the second below it (centred in 30..180).
        first = [p for p in blue if p[1] < 45]
        second = [p for p in blue if p[1] >= 50]
        self.assertTrue(first and second)
        centre = (min(x for x, _ in first) + max(x for x, _ in first)) / 2
        self.assertAlmostEqual(centre, 200, delta=12)


if __name__ == "__main__":
    unittest.main()
