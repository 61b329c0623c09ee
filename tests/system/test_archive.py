"""The resource archive as the saver meets it: the interface language chosen by
CurLang in the Wine registry (as a 32-bit program reads it), and a missing or
broken archive, which must neither stop the saver nor crash it."""
import os
import random
import shutil
import time
import unittest

import saverlib as s

LANGUAGE_KEY = r"HKLM\SOFTWARE\QUENDRA\ScreenSaver\Fire"
UNIT_TESTS = os.path.join(s.BIN, "unit_tests.exe")
ARCHIVE = os.path.join(s.BIN, "VantorelResource.dat")


def set_language(value):
    if value is None:
        s.run_wine("reg", "delete", LANGUAGE_KEY, "/v", "CurLang", "/f", "/reg:32")
    else:
        s.run_wine("reg", "add", LANGUAGE_KEY, "/v", "CurLang", "/t", "REG_DWORD", "/d", value, "/f", "/reg:32")


class LanguageFromRegistry(unittest.TestCase):
    def tearDown(self):
        set_language(None)

    def test_curlang_picks_the_language_file_and_pictures(self):
        # (registry value or None, language the saver should pick; 7 = built-in English)
        for value, expected in ((None, 7), ("0", 0), ("1", 1), ("6", 6), ("7", 7), ("0xffffffff", 7)):
            with self.subTest(curlang=value):
                set_language(value)
                p = s.wine(UNIT_TESTS, "--gtest_filter=LanguageRegistry.*",
                           env=dict(os.environ, VARNELLE_EXPECT_LANGUAGE=str(expected)))
                out, _ = p.communicate(timeout=60)
                text = out.decode("utf-8", "replace")
                self.assertEqual(p.returncode, 0, text)
                self.assertIn("[  PASSED  ] 1 test", text)
                self.assertNotIn("SKIPPED", text)


class BrokenArchive(unittest.TestCase):
    """The saver copied into a folder of its own, beside a bad archive or none."""

    def run_saver_beside(self, archive_bytes):
        folder = s.temp_dir()
        try:
            saver = os.path.join(folder, "Varnelle.scr")
            shutil.copyfile(s.SAVER, saver)
            if archive_bytes is not None:
                with open(os.path.join(folder, "VantorelResource.dat"), "wb") as f:
                    f.write(archive_bytes)
            s.xdotool("mousemove", "400", "300")
            time.sleep(0.3)
            p = s.wine(saver, "/s")
            try:
                self.assertTrue(s.find_windows("^Screen Saver$"), "no saver window")
                self.assertFalse(s.wait_exit(p, 3), "the saver ended by itself (code %s)" % p.returncode)
                s.xdotool("key", "a")
                self.assertTrue(s.wait_exit(p, 10), "did not close on a key")
                self.assertEqual(p.returncode, 0)
            finally:
                s.kill(p)
        finally:
            shutil.rmtree(folder, ignore_errors=True)

    def test_saver_runs_and_closes_without_a_usable_archive(self):
        with open(ARCHIVE, "rb") as f:
            shipped = f.read()
        cases = {
            "missing": None,
            "empty": b"",
            "truncated": shipped[:len(shipped) // 2],
            "random bytes": random.Random(5).randbytes(50000),
        }
        for name, data in cases.items():
            with self.subTest(archive=name):
                self.run_saver_beside(data)


if __name__ == "__main__":
    unittest.main()


class AnyInstallFolder(unittest.TestCase):
    """Folders named in the users' languages: the archive is found and the scene drawn."""

    def test_flames_from_a_folder_named_in_cyrillic_and_japanese(self):
        folder = os.path.join(s.temp_dir(), "\u041f\u0430\u043f\u043a\u0430-\u30d5\u30a9\u30eb\u30c0")
        os.makedirs(folder)
        try:
            saver = os.path.join(folder, "Varnelle.scr")
            shutil.copyfile(s.SAVER, saver)
            shutil.copyfile(ARCHIVE, os.path.join(folder, "VantorelResource.dat"))
            s.xdotool("mousemove", "400", "300")
            time.sleep(0.3)
            p = s.wine(saver, "/s", stdout=s.subprocess.DEVNULL)
            try:
                self.assertTrue(s.find_windows("^Screen Saver$"), "no saver window")
                time.sleep(2.5)
                shot = s.screenshot("archive-unicode-folder")
                # The flames (or, on a busy machine, the error screen: a picture from the
                # same archive); a lost archive leaves the screen black.
                self.assertGreater(s.lit_share(shot), 0.05, "black screen: the archive was not found")
                s.xdotool("key", "a")
                self.assertTrue(s.wait_exit(p, 10), "did not close on a key")
            finally:
                s.kill(p)
        finally:
            shutil.rmtree(os.path.dirname(folder), ignore_errors=True)
