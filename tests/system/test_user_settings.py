"""Settings that belong to the user: a saver whose folder cannot be written saves
each user's choices in that user's profile, which `/s` and `/c` then read, the file
beside it read only until then; a portable copy in a writable folder keeps
everything beside itself and reads no profile file; two users of one install keep
their picture lists apart; every spelling of the saver's path reads and writes one
file."""
import contextlib
import os
import shutil
import subprocess
import time
import unittest

import saverlib as s
from dialoglib import (IDCANCEL, IDOK, REMOVE_ALL, SCHEME, ConfigDialog, SaverCopy, harness, set_language,
                       settings_bytes, winpath)
from PIL import Image
from test_pictures import band_mode

RED = (220, 30, 30)
GREEN = (40, 200, 60)
WARMUP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "wine-warmup.sh"))


def lock_folder(test, folder):
    """Makes the folder unwritable for the saver until the test ends: its mode, which
    stops an ordinary user, and for root, whom modes do not stop, the immutable flag."""
    mode = os.stat(folder).st_mode
    os.chmod(folder, 0o555)
    test.addCleanup(os.chmod, folder, mode)
    if os.geteuid() == 0:
        if subprocess.run(["chattr", "+i", folder], stderr=subprocess.DEVNULL).returncode != 0:
            test.skipTest("root ignores the folder's mode and chattr +i is not available here")
        test.addCleanup(subprocess.run, ["chattr", "-i", folder])
    probe = os.path.join(folder, "probe")
    try:
        open(probe, "w").close()
    except OSError:
        return
    os.remove(probe)
    test.skipTest("no way to make a folder unwritable here")


def remove_users_own_folder(own):
    folder = os.path.dirname(own)
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    elif os.path.lexists(folder):
        os.remove(folder)


def picture(folder, name, colour):
    path = os.path.join(folder, name)
    Image.new("RGB", (64, 64), colour).save(path)
    return path


def read(path):
    with open(path, "rb") as f:
        return f.read()


class UserSettingsTest(unittest.TestCase):
    def setUp(self):
        set_language(None)
        self.copy = SaverCopy()
        self.addCleanup(self.copy.remove)
        self.pictures = s.temp_dir()
        self.addCleanup(shutil.rmtree, self.pictures, True)
        self.red = picture(self.pictures, "red.png", RED)
        self.green = picture(self.pictures, "green.png", GREEN)
        self.own = s.users_own_settings(self.copy.saver)
        remove_users_own_folder(self.own)
        self.addCleanup(remove_users_own_folder, self.own)

    def backdrop(self, shot_name, saver=None):
        """The commonest colour above the flames' reach while `/s` runs."""
        s.xdotool("mousemove", "400", "300")

        def shoot(saver):
            time.sleep(2.5)
            return band_mode(s.screenshot(shot_name))

        return s.run_scene(self, lambda: s.Saver(saver or self.copy.saver, "/s"), shoot, linger=2)

    def swap_red_for_green(self, saver):
        """In the dialog, whose list is the red picture: the green one instead, and OK."""
        dialog = ConfigDialog(saver)
        try:
            self.assertEqual(dialog.lines(), [winpath(self.red)])
            dialog.command(REMOVE_ALL)
            time.sleep(0.3)
            dialog.choose_files(self.pictures, ["green.png"])
            self.assertTrue(dialog.close(IDOK), "OK did not close the dialog")
        finally:
            dialog.kill()

    def dialog_lines(self):
        dialog = ConfigDialog(self.copy.saver)
        try:
            return dialog.lines()
        finally:
            dialog.close(IDCANCEL)
            dialog.kill()

    def test_unwritable_folder_saves_the_users_own_file_which_s_and_c_then_read(self):
        self.copy.write_settings([winpath(self.red)], show_images=1)
        beside = self.copy.read_settings()
        lock_folder(self, self.copy.folder)
        self.swap_red_for_green(self.copy.saver)
        self.assertEqual(read(self.own), settings_bytes([winpath(self.green)], show_images=1))
        self.assertEqual(self.copy.read_settings(), beside)
        self.assertEqual(self.backdrop("user-settings-own-file"), GREEN)
        self.assertEqual(self.dialog_lines(), [winpath(self.green)])

    def test_portable_copy_keeps_its_file_beside_itself_and_reads_no_profile(self):
        # The profile's file belongs to an installed saver: a portable copy never reads it.
        self.copy.write_settings([winpath(self.red)], show_images=1)
        os.makedirs(os.path.dirname(self.own))
        installed = settings_bytes([winpath(self.green)], show_images=1)
        with open(self.own, "wb") as f:
            f.write(installed)
        self.assertEqual(self.backdrop("user-settings-portable"), RED)
        dialog = ConfigDialog(self.copy.saver)
        try:
            self.assertEqual(dialog.lines(), [winpath(self.red)])
            dialog.select(SCHEME, 2)
            self.assertTrue(dialog.close(IDOK))
        finally:
            dialog.kill()
        self.assertEqual(self.copy.read_settings(), settings_bytes([winpath(self.red)], show_images=1, fire_style=2))
        self.assertEqual(read(self.own), installed)

    def test_every_spelling_of_the_path_reads_and_writes_one_file(self):
        # A long folder and file name, so that the short 8.3 spelling differs.
        folder = os.path.join(self.copy.folder, "Saver Folder With A Long Name")
        os.makedirs(os.path.join(folder, "sub"))
        saver = os.path.join(folder, "VarnelleWithALongName.scr")
        shutil.copy(self.copy.saver, saver)
        shutil.copy(os.path.join(self.copy.folder, "VantorelResource.dat"), folder)
        settings = saver[:-3] + "scr.settings"
        with open(settings, "wb") as f:
            f.write(settings_bytes([winpath(self.red)], show_images=1))
        short = harness("shortpath", winpath(saver))[0].get("path", "")
        self.assertNotIn(short.lower(), ("", winpath(saver).lower()), "no short spelling to start by")
        dotted = winpath(os.path.join(folder, "sub")) + "\\..\\VarnelleWithALongName.scr"

        self.assertEqual(self.backdrop("user-settings-short-path", short), RED)
        self.swap_red_for_green(dotted)
        self.assertEqual(read(settings), settings_bytes([winpath(self.green)], show_images=1))
        dialog = ConfigDialog(short)
        try:
            self.assertEqual(dialog.lines(), [winpath(self.green)])
        finally:
            dialog.close(IDCANCEL)
            dialog.kill()
        self.assertEqual(sorted(os.listdir(folder)), sorted(["sub", "VantorelResource.dat",
                                                             os.path.basename(saver), os.path.basename(settings)]))
        self.assertFalse(os.path.lexists(os.path.dirname(self.own)), "the profile was written")

    def test_writable_folder_writes_nothing_to_the_profile(self):
        self.copy.write_settings([winpath(self.red)], show_images=1)
        dialog = ConfigDialog(self.copy.saver)
        try:
            dialog.select(SCHEME, 2)
            self.assertTrue(dialog.close(IDOK))
        finally:
            dialog.kill()
        self.assertEqual(self.copy.read_settings(), settings_bytes([winpath(self.red)], show_images=1, fire_style=2))
        self.assertFalse(os.path.lexists(os.path.dirname(self.own)), "the profile was written")


@contextlib.contextmanager
def wine_user(prefix):
    """Wine programs started meanwhile run as the user of another prefix (another profile)."""
    before = os.environ["WINEPREFIX"]
    os.environ["WINEPREFIX"] = prefix
    try:
        yield
    finally:
        os.environ["WINEPREFIX"] = before


class TwoUsers(unittest.TestCase):
    """Two prefixes are two users with profiles of their own; both reach one shared,
    read-only install folder through Wine's Z: drive."""

    @classmethod
    def setUpClass(cls):
        cls.second = os.path.join(s.BUILD, "wineprefix-second-user")
        done = subprocess.run([WARMUP], env=dict(os.environ, WINEPREFIX=cls.second), stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=300)
        if done.returncode != 0:
            raise AssertionError("the second user's prefix: " + done.stderr.decode("utf-8", "replace"))

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=cls.second), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def choose_picture(self, saver, folder, name, lines_before):
        dialog = ConfigDialog(saver)
        try:
            self.assertEqual(dialog.lines(), lines_before)
            dialog.choose_files(folder, [name])
            self.assertTrue(dialog.close(IDOK), "OK did not close the dialog")
        finally:
            dialog.kill()

    def test_two_users_of_one_install_keep_their_lists_apart(self):
        set_language(None)
        shared = SaverCopy()
        self.addCleanup(shared.remove)
        shared.write_settings()  # the installer's defaults
        defaults = shared.read_settings()
        pictures = s.temp_dir()
        self.addCleanup(shutil.rmtree, pictures, True)
        ann, ben = (winpath(picture(pictures, n, c)) for n, c in (("ann.png", RED), ("ben.png", GREEN)))
        lock_folder(self, shared.folder)
        ann_file = s.users_own_settings(shared.saver)
        with wine_user(self.second):
            ben_file = s.users_own_settings(shared.saver)
        for own in (ann_file, ben_file):
            remove_users_own_folder(own)
            self.addCleanup(remove_users_own_folder, own)

        self.choose_picture(shared.saver, pictures, "ann.png", [])
        with wine_user(self.second):
            self.choose_picture(shared.saver, pictures, "ben.png", [])  # none of Ann's
        dialog = ConfigDialog(shared.saver)
        try:
            self.assertEqual(dialog.lines(), [ann])  # none of Ben's
        finally:
            dialog.close(IDCANCEL)
            dialog.kill()
        self.assertEqual(read(ann_file), settings_bytes([ann], show_images=1))
        self.assertEqual(read(ben_file), settings_bytes([ben], show_images=1))
        self.assertEqual(shared.read_settings(), defaults)


if __name__ == "__main__":
    unittest.main()
