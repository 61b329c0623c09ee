"""The Preview button of the configuration dialog: the saver over the whole screen
with the dialog's live choices, closed by Enter, Escape or a plain click."""
import os
import time
import unittest

from PIL import Image

from dialoglib import (IDOK, PREVIEW, REMOVE_ALL, SCHEME, SHOW_IMAGES, ConfigDialog, SaverCopy, harness,
                       set_language, settings_bytes, top_windows, winpath)
from saverlib import screen_size, screenshot, xdotool

GREEN = (0, 200, 0)


def green_share(img):
    px = list(img.resize((200, 150)).getdata())
    return sum(1 for r, g, b in px if g > 120 and g > r + 60 and g > b + 60) / float(len(px))


class Preview(unittest.TestCase):
    def setUp(self):
        set_language(None)
        self.copy = SaverCopy()
        self.green = os.path.join(self.copy.folder, "green.png")
        Image.new("RGB", (64, 64), GREEN).save(self.green)
        self.red = os.path.join(self.copy.folder, "red.png")
        Image.new("RGB", (64, 64), (220, 0, 0)).save(self.red)
        self.copy.write_settings([winpath(self.red)], show_images=0, fire_style=0)
        self.dialog = ConfigDialog(self.copy.saver)

    def tearDown(self):
        self.dialog.kill()
        self.copy.remove()

    def open_preview(self):
        self.dialog.command(PREVIEW)
        for _ in range(100):
            preview = next((w for w in top_windows() if w["class"] == "#32770" and w["title"] == ""
                            and w["window"] != self.dialog.hwnd), None)
            if preview:
                return preview
            time.sleep(0.1)
        self.fail("no preview")

    def preview_shot(self, name):
        """The open preview and a screenshot of it past its start-up. A preview whose
        speed test counted too few frames, as the dialog's debugger output says, is
        closed and opened again; any other error screen fails the checks on the shot."""
        for _ in range(3):
            before = self.dialog.saver.speed_test_failures()
            preview = self.open_preview()
            time.sleep(3.0)
            shot = screenshot(name)
            if self.dialog.saver.speed_test_failures() == before:
                return preview, shot
            xdotool("key", "Escape")
            self.assert_closes(preview, "Escape")
        self.skipTest("the preview's start-up speed test counted too few frames 3 times: the machine is too busy")

    def assert_closes(self, preview, how):
        values, _ = harness("waitgone", preview["window"], 15000)
        self.assertEqual(values.get("gone"), "1", "the preview stayed open after " + how)
        self.assertIsNone(self.dialog.proc.poll(), "the configuration dialog went away with the preview")

    def click(self, button, *keys):
        for key in keys:
            xdotool("keydown", key)
        xdotool("click", str(button))
        for key in keys:
            xdotool("keyup", key)

    def test_full_screen_closes_on_escape_and_plain_clicks_only(self):
        preview = self.open_preview()
        self.assertEqual((preview["x"], preview["y"], preview["w"], preview["h"]), (0, 0) + screen_size())
        time.sleep(2.0)
        screenshot("preview-first")
        xdotool("key", "Escape")
        self.assert_closes(preview, "Escape")

        # Again in the same process: Shift and Ctrl clicks leave it open, a plain click closes it.
        preview = self.open_preview()
        time.sleep(1.5)
        xdotool("mousemove", "400", "300")
        self.click(1, "shift")
        self.click(1, "ctrl")
        self.click(3, "shift")
        time.sleep(1.0)
        values, _ = harness("waitgone", preview["window"], 500)
        self.assertEqual(values.get("gone"), "0", "a click with Shift or Ctrl closed the preview")
        self.click(1)
        self.assert_closes(preview, "a left click")

        preview = self.open_preview()
        time.sleep(1.5)
        xdotool("mousemove", "300", "200")
        self.click(3)
        self.assert_closes(preview, "a right click")

        preview = self.open_preview()
        time.sleep(1.5)
        xdotool("key", "Return")
        self.assert_closes(preview, "Enter")

    def test_live_choices_are_shown_and_kept(self):
        # The dialog replaces the stored red picture by the green one and switches pictures on.
        self.dialog.command(REMOVE_ALL)
        self.dialog.choose_files(None, [winpath(self.green)])
        self.assertEqual(self.dialog.controls()[SHOW_IMAGES]["check"], 1)
        self.dialog.select(SCHEME, 2)
        preview, shot = self.preview_shot("preview-live-choices")
        self.assertGreater(green_share(shot), 0.2, "the dialog's picture is not behind the flames")
        xdotool("key", "Escape")
        self.assert_closes(preview, "Escape")

        # Switched off in the dialog: no pictures, though they are on in the scene's own store.
        self.dialog.click(SHOW_IMAGES)
        preview, shot = self.preview_shot("preview-no-pictures")
        self.assertLess(green_share(shot), 0.01)
        xdotool("mousemove", "400", "300")
        self.click(1)
        self.assert_closes(preview, "a left click")

        # What the dialog showed before the previews is what OK saves.
        self.assertTrue(self.dialog.close(IDOK))
        self.assertEqual(self.copy.read_settings(),
                         settings_bytes([winpath(self.green)], show_images=0, fire_style=2))


if __name__ == "__main__":
    unittest.main()
