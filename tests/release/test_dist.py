"""make dist's packing, run on the built trees into a temporary folder: the portable
zip's layout, each saver's architecture in its folder, the sums and the version.

VARNELLE_VERSION is CMake's project() version; VARNELLE_BIN and VARNELLE_BIN64 are
the x86 and x64 programs (scripts/build.sh builds the x64 saver before the x86 tree)."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import dist  # noqa: E402

VERSION = os.environ["VARNELLE_VERSION"]
BINS = {"x86": os.environ["VARNELLE_BIN"], "x64": os.environ["VARNELLE_BIN64"]}
WHEN = 1765000000


def run_dist(out, x86, x64):
    return subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "dist.py"), "--version", VERSION,
                           "--x86", x86, "--x64", x64, "--setup", os.path.join(BINS["x86"], "VarnelleSetup.exe"),
                           "--out", out, "--time", str(WHEN)],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


class Dist(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for arch, folder in BINS.items():
            saver = os.path.join(folder, "Varnelle.scr")
            if not os.path.isfile(saver):
                raise AssertionError("%s is missing: scripts/build.sh builds the %s saver before the x86 tree"
                                     % (saver, arch))
        cls.work = tempfile.mkdtemp(prefix="varnelle-dist-")
        cls.out = os.path.join(cls.work, "dist")
        r = run_dist(cls.out, BINS["x86"], BINS["x64"])
        if r.returncode != 0:
            raise AssertionError("dist.py failed: %s" % r.stderr.strip())

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def test_files_carry_the_version(self):
        setup = "Varnelle-%s-Setup.exe" % VERSION
        self.assertEqual(sorted(os.listdir(self.out)),
                         sorted([setup, "Varnelle-%s-portable.zip" % VERSION, "RELEASE-NOTES.md", "SHA256SUMS"]))
        quad = dist.version_quad(VERSION)
        self.assertEqual(dist.fixed_versions(os.path.join(self.out, setup)), (quad, quad))
        with open(os.path.join(self.out, "RELEASE-NOTES.md"), encoding="utf-8") as f:
            self.assertTrue(f.readline().startswith("## %s " % VERSION))

    def test_sums_verify(self):
        r = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=self.out,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertEqual(r.returncode, 0, r.stdout)
        listed = sorted(line.split(":")[0] for line in r.stdout.splitlines() if line.endswith(": OK"))
        self.assertEqual(listed, sorted(set(os.listdir(self.out)) - {"SHA256SUMS"}))

    def test_portable_zip(self):
        path = os.path.join(self.out, "Varnelle-%s-portable.zip" % VERSION)
        with zipfile.ZipFile(path) as z:
            infos = z.infolist()
            self.assertEqual([i.filename for i in infos],
                             ["README.txt", "x64/VantorelResource.dat", "x64/Varnelle.scr",
                              "x86/VantorelResource.dat", "x86/Varnelle.scr"])
            # One time and one mode for every entry: the zip does not depend on when or where it was packed.
            self.assertEqual({i.date_time for i in infos}, {time.gmtime(WHEN)[:6]})
            self.assertEqual({i.external_attr >> 16 for i in infos}, {0o100644})
            readme = z.read("README.txt")
            self.assertTrue(readme.startswith(b"\xef\xbb\xbf"))
            self.assertNotRegex(readme, rb"[^\r]\n", "README.txt has a line end without CR")
            readme.decode("utf-8")
            unpacked = os.path.join(self.work, "unpacked")
            z.extractall(unpacked)
        for folder, arch in dist.FOLDERS.items():
            saver = os.path.join(unpacked, folder, "Varnelle.scr")
            faults, line = dist.check_manifests.check(saver)
            self.assertEqual(faults, [])
            self.assertRegex(line, r": %s, manifest names %s" % (arch, arch))
            self.assertEqual(dist.fixed_versions(saver)[1], dist.version_quad(VERSION))
            self.assertGreater(os.path.getsize(os.path.join(unpacked, folder, "VantorelResource.dat")), 0)

    def test_swapped_folders_are_refused(self):
        out = os.path.join(self.work, "swapped")
        r = run_dist(out, BINS["x64"], BINS["x86"])
        self.assertEqual(r.returncode, 1)
        self.assertRegex(r.stderr, r"^dist: FAILED: .*Varnelle\.scr is an (amd64|x86) program, but the x(64|86)/ "
                         r"folder of the zip is for (x86|amd64) programs\n$")
        self.assertFalse(os.path.exists(out))


if __name__ == "__main__":
    unittest.main()
