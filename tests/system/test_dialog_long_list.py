"""A photo library's worth of lines in the picture list: every stored line shows,
folders carry their mark, the last line can be scrolled to and removed, and OK
keeps the others in their order."""
import os
import time
import unittest

from dialoglib import IDOK, LIST, REMOVE, ConfigDialog, SaverCopy, harness, set_language, settings_bytes, winpath
from saverlib import screenshot, xdotool

SCROLL_BAR = 16  # Wine's scroll bar width and arrow height at 96 dpi


class LongList(unittest.TestCase):
    def setUp(self):
        set_language(None)
        self.copy = SaverCopy()
        album = os.path.join(self.copy.folder, "Holiday 2023")
        os.makedirs(album)
        self.lines = ["C:\\Users\\Public\\Pictures\\Phone\\IMG_%04d.jpg" % i for i in range(198)]
        # One too long for the list's width: shortened on screen, kept whole.
        self.lines[2] = "C:\\Users\\Public\\Pictures\\" + "Summer in the mountains with the family, " * 3 + \
            "day two\\IMG_0002.jpg"
        self.lines.insert(1, winpath(album))               # a folder on disk
        self.lines.insert(150, "Q:\\Camera Backup\\DCIM")  # a folder on a drive not plugged in
        self.folders = {1, 150}
        self.copy.write_settings(self.lines, show_images=1)
        self.dialog = ConfigDialog(self.copy.saver)
        time.sleep(1)

    def tearDown(self):
        self.dialog.kill()
        self.copy.remove()

    def drag_scroll_thumb_to_the_end(self, rect):
        left, top, right, bottom = rect
        x = right - 2 - SCROLL_BAR // 2
        xdotool("mousemove", str(x), str(top + 2 + SCROLL_BAR + 3))  # the thumb, at the top
        time.sleep(0.2)
        xdotool("mousedown", "1")
        for y in range(top + 40, bottom + 60, 40):
            xdotool("mousemove", str(x), str(y))
            time.sleep(0.05)
        xdotool("mouseup", "1")
        time.sleep(0.5)

    def test_two_hundred_lines_scroll_remove_the_last_and_save_the_rest(self):
        controls = self.dialog.controls()[LIST]
        self.assertEqual(controls["count"], 200)
        self.assertEqual(controls["items"], self.lines)
        self.assertEqual([i for i, d in enumerate(controls["data"]) if d == 1], sorted(self.folders))
        screenshot("dialog-long-list")

        rect = tuple(map(int, controls["rect"].split(",")))
        self.drag_scroll_thumb_to_the_end(rect)
        controls = self.dialog.controls()[LIST]
        shown = (rect[3] - rect[1] - 4) // controls["itemheight"]
        self.assertGreaterEqual(controls["top"] + shown, 200, "the last line cannot be scrolled to")
        screenshot("dialog-long-list-end")

        values, _ = harness("itempoint", self.dialog.hwnd, LIST, 199)
        xdotool("mousemove", values["x"], values["y"])
        time.sleep(0.2)
        xdotool("click", "1")
        time.sleep(0.3)
        self.assertEqual(self.dialog.controls()[LIST]["sel"], 199)
        screenshot("dialog-long-list-last-selected")
        self.dialog.command(REMOVE)
        time.sleep(0.3)
        self.assertEqual(self.dialog.lines(), self.lines[:199])
        self.assertTrue(self.dialog.close(IDOK))
        self.assertEqual(self.copy.read_settings(), settings_bytes(self.lines[:199], show_images=1))


if __name__ == "__main__":
    unittest.main()
