"""The configuration dialog of `Varnelle.scr /c`: its texts by language, adding
pictures through the real file dialog, OK and Cancel and the settings file."""
import os
import time
import unittest

from dialoglib import (ADD, FILES_GROUP, IDCANCEL, IDOK, LIST, PREVIEW, REMOVE, REMOVE_ALL, SCHEME,
                       SCHEME_LABEL, SHOW_IMAGES, SPARKS, BLOB_SELECT, SPEED, SIZE, MAIN_MONITOR_ONLY, WHOLE_PICTURES,
                       SHUFFLE_PICTURES, ConfigDialog, SaverCopy,
                       find_window, harness, interface_texts, set_language, settings_bytes, top_windows, winpath)
from saverlib import SHOTS, screenshot, users_own_settings


class DialogTexts(unittest.TestCase):
    def tearDown(self):
        set_language(None)

    def check_texts(self, language, code, shot):
        set_language(language)
        copy = SaverCopy()
        dialog = ConfigDialog(copy.saver)
        try:
            time.sleep(1.0)
            controls = dialog.controls()
            texts = interface_texts(code)
            for cid, text_id in ((ADD, 18), (REMOVE, 3), (REMOVE_ALL, 4), (PREVIEW, 2), (IDOK, 0), (IDCANCEL, 1),
                                 (SCHEME_LABEL, 6), (SHOW_IMAGES, 5), (FILES_GROUP, 7), (MAIN_MONITOR_ONLY, 57),
                                 (WHOLE_PICTURES, 58), (SHUFFLE_PICTURES, 59)):
                self.assertEqual(controls[cid]["text"], texts[text_id], "control %d" % cid)
            self.assertEqual(controls[SCHEME]["items"], [texts[32], texts[33], texts[34]])
            self.assertEqual(controls["dialog"]["caption"], texts[23])
            for cid in (SPEED, SIZE, SPARKS, BLOB_SELECT):
                self.assertEqual(controls[cid]["visible"], 0)
            self.assertEqual((controls[SPEED]["min"], controls[SPEED]["max"], controls[SPEED]["pos"]), (1, 100, 40))
            self.assertEqual(controls[SIZE]["pos"], 80)
            left, top, right, bottom = map(int, controls["dialog"]["rect"].split(","))
            screenshot(shot).crop((left, top, right, bottom)).save(os.path.join(SHOTS, shot + "-crop.png"))
        finally:
            dialog.close()
            copy.remove()

    def test_english_without_the_value(self):
        self.check_texts(None, "en", "dialog-default")

    def test_english(self):
        self.check_texts(0, "en", "dialog-en")

    def test_japanese(self):
        self.check_texts(6, "jp", "dialog-jp")

    def test_russian(self):
        self.check_texts(1, "ru", "dialog-ru")

    def test_spanish(self):  # the longest switch texts
        self.check_texts(4, "es", "dialog-es")


class AddingPictures(unittest.TestCase):
    def setUp(self):
        set_language(None)
        self.copy = SaverCopy()
        self.pictures = os.path.join(self.copy.folder, "pictures")
        os.makedirs(self.pictures)
        for i in range(30):
            open(os.path.join(self.pictures, "p%02d.jpg" % i), "wb").close()
        for name in ("c.jpg", "a.jpg", "b.jpg", "d.png"):
            open(os.path.join(self.pictures, name), "wb").close()
        self.copy.write_settings(show_images=0)
        self.dialog = ConfigDialog(self.copy.saver)

    def tearDown(self):
        self.dialog.kill()
        self.copy.remove()

    def test_three_files_in_order_then_the_next_dialog_opens_there(self):
        self.assertEqual(self.dialog.controls()[SHOW_IMAGES]["check"], 0)
        self.dialog.choose_files(self.pictures, ["c.jpg", "a.jpg", "b.jpg"])
        folder = winpath(self.pictures)
        controls = self.dialog.controls()
        self.assertEqual(controls[LIST]["items"], [folder + "\\c.jpg", folder + "\\a.jpg", folder + "\\b.jpg"])
        self.assertEqual(controls[SHOW_IMAGES]["check"], 1)
        # A bare name in the next dialog is taken from the folder it opened in.
        self.dialog.choose_files(None, ["d.png"])
        self.assertEqual(self.dialog.lines()[-1], folder + "\\d.png")
        self.assertTrue(self.dialog.close(IDOK))
        saved = self.copy.read_settings()
        self.assertEqual(saved, settings_bytes([folder + "\\" + n for n in ("c.jpg", "a.jpg", "b.jpg", "d.png")],
                                               show_images=1))

    def test_thirty_files_show_30_lines_and_ok_saves_30(self):
        names = ["p%02d.jpg" % i for i in range(30)]
        self.dialog.choose_files(self.pictures, names)
        folder = winpath(self.pictures)
        self.assertEqual(self.dialog.lines(), [folder + "\\" + n for n in names])
        self.assertTrue(self.dialog.close(IDOK))
        self.assertEqual(self.copy.read_settings(),
                         settings_bytes([folder + "\\" + n for n in names], show_images=1))


class OkAndCancel(unittest.TestCase):
    def setUp(self):
        set_language(None)
        self.copy = SaverCopy()

    def tearDown(self):
        self.copy.remove()

    def test_ok_writes_the_exact_file(self):
        self.copy.write_settings(["C:\\a.jpg", "C:\\b.png"], show_images=1, fire_style=0)
        dialog = ConfigDialog(self.copy.saver)
        try:
            dialog.select(SCHEME, 2)
            dialog.click(SHOW_IMAGES)  # off
            self.assertTrue(dialog.close(IDOK))
        finally:
            dialog.kill()
        self.assertEqual(self.copy.read_settings(),
                         settings_bytes(["C:\\a.jpg", "C:\\b.png"], show_images=0, fire_style=2))

    def test_ok_without_a_file_creates_it_with_the_defaults(self):
        dialog = ConfigDialog(self.copy.saver)
        self.assertTrue(dialog.close(IDOK))
        self.assertEqual(self.copy.read_settings(), settings_bytes([], show_images=1, fire_style=0))

    def test_cancel_leaves_the_file_unchanged(self):
        self.copy.write_settings(["C:\\a.jpg"], show_images=1, fire_style=1)
        before = self.copy.read_settings()
        dialog = ConfigDialog(self.copy.saver)
        dialog.select(SCHEME, 2)
        dialog.command(REMOVE_ALL)
        time.sleep(0.3)
        self.assertTrue(dialog.close(IDCANCEL))
        self.assertEqual(self.copy.read_settings(), before)

    def message_box(self, dialog):
        """The message box over the dialog: its window and its texts."""
        for _ in range(100):
            box = next((w for w in top_windows() if w["class"] == "#32770" and w["window"] != dialog.hwnd), None)
            if box:
                _, text = harness("controls", box["window"])
                return box["window"], text
            time.sleep(0.2)
        self.fail("no message about the settings file")

    def test_unwritable_settings_file_is_reported_and_the_dialog_stays(self):
        # Something holds the name the new file is written under, as a folder that became
        # read-only after the dialog opened would refuse it.
        os.makedirs(self.copy.settings + ".new")
        dialog = ConfigDialog(self.copy.saver)
        try:
            dialog.select(SCHEME, 1)
            dialog.command(IDOK)
            box, text = self.message_box(dialog)
            screenshot("dialog-save-failed")
            self.assertIn(winpath(self.copy.settings), text)
            # A portable copy's choices go nowhere else, where it would not read them.
            self.assertNotIn("AppData", text)
            harness("command", box, IDOK)
            time.sleep(1.0)
            self.assertIsNone(dialog.proc.poll(), "the dialog closed and the choices were lost")
            self.assertEqual(dialog.controls()[SCHEME]["sel"], 1)
            self.assertTrue(dialog.close(IDCANCEL))
        finally:
            dialog.kill()
        self.assertFalse(os.path.exists(self.copy.settings))
        self.assertFalse(os.path.exists(users_own_settings(self.copy.saver)))

    def test_settings_file_that_cannot_be_read_is_never_saved_over(self):
        # Over the size limit, its pictures first; then a folder under the file's name.
        stored = settings_bytes(["C:\\kept.jpg"], show_images=0, fire_style=2)
        with open(self.copy.settings, "wb") as f:
            f.write(stored + b"\r\n" * (8 << 20) + b"x")
        cases = [("too large", lambda: open(self.copy.settings, "rb").read()),
                 ("a folder", lambda: os.path.isdir(self.copy.settings))]
        for name, state in cases:
            with self.subTest(name):
                if name == "a folder":
                    os.remove(self.copy.settings)
                    os.makedirs(self.copy.settings)
                before = state()
                dialog = ConfigDialog(self.copy.saver)
                try:
                    # What could be read: nothing, so the defaults.
                    controls = dialog.controls()
                    self.assertEqual(controls[LIST]["items"], [])
                    self.assertEqual(controls[SCHEME]["sel"], 0)
                    dialog.command(IDOK)
                    box, text = self.message_box(dialog)
                    if name == "too large":
                        screenshot("dialog-unreadable-settings")
                    self.assertIn(winpath(self.copy.settings), text)
                    self.assertIn("could not be read", text)
                    harness("command", box, IDOK)
                    time.sleep(1.0)
                    self.assertIsNone(dialog.proc.poll(), "OK closed the dialog")
                    self.assertTrue(dialog.close(IDCANCEL))
                finally:
                    dialog.kill()
                self.assertEqual(state(), before)
                self.assertFalse(os.path.exists(users_own_settings(self.copy.saver)))

    def test_unreadable_message_is_in_the_users_language(self):
        set_language(6)
        self.addCleanup(set_language, None)
        os.makedirs(self.copy.settings)
        dialog = ConfigDialog(self.copy.saver)
        try:
            dialog.command(IDOK)
            box, text = self.message_box(dialog)
            self.assertIn("設定ファイルを読み込めませんでした", text)
            harness("command", box, IDOK)
            self.assertTrue(dialog.close(IDCANCEL))
        finally:
            dialog.kill()
        self.assertTrue(os.path.isdir(self.copy.settings))

if __name__ == "__main__":
    unittest.main()
