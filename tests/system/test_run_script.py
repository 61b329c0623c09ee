"""scripts/run-saver.sh, the script behind `make run`: with no display it runs the
saver on a private screen in a prefix of its own and reports only what it saw."""
import os
import shutil
import subprocess
import unittest

import saverlib as s

SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "run-saver.sh")


def run_script(*args, timeout=300):
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    # Not the suite's prefix: its server and volatile registry values belong to the other tests.
    env["VARNELLE_RUN_PREFIX"] = os.path.join(s.BUILD, "wineprefix-runscript")
    env["VARNELLE_SHOTS"] = os.path.join(s.SHOTS, "runscript")
    env.pop("WINEPREFIX", None)
    p = subprocess.run(["bash", SCRIPT, *args], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env,
                       stdin=subprocess.DEVNULL, timeout=timeout)
    return p.returncode, p.stdout.decode("utf-8", "replace")


class RunScript(unittest.TestCase):
    def test_the_real_saver_shows_and_closes_on_a_key(self):
        folder = s.temp_dir()
        try:
            for name in ("Varnelle.scr", "VantorelResource.dat"):
                shutil.copy(os.path.join(s.BIN, name), folder)
            code, out = run_script(os.path.join(folder, "Varnelle.scr"), "640x480")
            self.assertIn("run: the saver's window appeared", out)
            self.assertIn("run: the key press closed the saver (exit code 0)", out)
            # Flames, or on a busy machine the error screen, said as such: never a false success.
            if code == 0:
                self.assertIn("run: OK: the flames showed and moved", out)
            else:
                self.assertEqual(code, 3, out)
                self.assertIn("the user sees no flames", out)
            self.assertNotIn("FAILED", out)
        finally:
            shutil.rmtree(folder, ignore_errors=True)

    def test_a_file_that_is_not_a_program_fails_with_its_reason(self):
        folder = s.temp_dir()
        try:
            fake = os.path.join(folder, "Varnelle.scr")
            with open(fake, "w") as f:
                f.write("not a program\n")
            code, out = run_script(fake)
            self.assertEqual(code, 1, out)
            self.assertIn("run: FAILED: %s is not a Windows program" % fake, out)
            self.assertNotIn("OK", out)

            code, out = run_script(os.path.join(folder, "missing.scr"))
            self.assertEqual(code, 2, out)
            self.assertIn("does not exist", out)
        finally:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
