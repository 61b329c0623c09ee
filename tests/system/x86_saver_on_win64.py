"""The 32-bit saver on 64-bit Windows: the x86 build's programs (VARNELLE_BIN) in
the x64 tree's win64 prefix, which is WoW64 where the machine runs 32-bit programs.
It starts, shows its flames, closes on a key, and its dialog opens and saves."""
import os
import unittest

import saverlib as s


class OnWin64(unittest.TestCase):
    def test_the_saver_is_32_bit_and_the_prefix_runs_it_under_wow64(self):
        self.assertEqual(s.pe_machine(s.SAVER), "x86", s.SAVER)
        prefix = os.environ["WINEPREFIX"]
        self.assertEqual(os.environ.get("WINEARCH"), "win64")
        self.assertTrue(os.path.isdir(os.path.join(prefix, "drive_c", "windows", "syswow64")), prefix)


def load_tests(loader, tests, pattern):
    if not s.machine_runs_32bit():
        class NotHere(unittest.TestCase):
            @unittest.skip("this machine cannot run 32-bit programs (the kernel's 32-bit emulation is off)")
            def test_x86_saver_on_win64(self):
                pass
        return loader.loadTestsFromTestCase(NotHere)
    import test_dialog
    import test_flames
    suite = unittest.TestSuite()
    suite.addTests(loader.loadTestsFromTestCase(OnWin64))
    suite.addTests(loader.loadTestsFromTestCase(test_flames.Flames))
    suite.addTest(test_dialog.OkAndCancel("test_ok_writes_the_exact_file"))
    return suite
