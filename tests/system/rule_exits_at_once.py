"""Runs system tests against copies of a saver that exits at once (no window, exit
code 0) and passes only when every one of them fails: a test that passes or skips
while the saver cannot start would hide a saver that never starts.

Usage: rule_exits_at_once.py EXITS_AT_ONCE_PROGRAM MODULE..."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SAVERS = ("Varnelle.scr", "VarnelleSparks.scr", "VarnelleBlobs.scr", "VarnelleDesktop.scr")


def main(program, modules):
    real = os.environ["VARNELLE_BIN"]
    build = os.environ["VARNELLE_BUILD"]
    fake = tempfile.mkdtemp(prefix="varnelle-exits-at-once-", dir=build)
    try:
        for name in os.listdir(real):
            if os.path.isfile(os.path.join(real, name)) and name not in SAVERS:
                shutil.copy(os.path.join(real, name), fake)
        for name in SAVERS:
            shutil.copy(program, os.path.join(fake, name))
        env = dict(os.environ, VARNELLE_BIN=fake)
        run = subprocess.run([sys.executable, "-m", "unittest", "-v", *modules], cwd=HERE, env=env,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=1500)
    finally:
        shutil.rmtree(fake, ignore_errors=True)
    out = run.stdout
    outcomes = re.findall(r" \.\.\. (ok|FAIL|ERROR|skipped.*)$", out, re.M)
    ran = re.search(r"^Ran (\d+) tests?", out, re.M)
    passed = outcomes.count("ok")
    skipped = [o for o in outcomes if o.startswith("skipped")]
    failed = len(outcomes) - passed - len(skipped)
    # The headers of the failures only: their verbose lines would count as this run's own cases.
    for line in out.splitlines():
        if line.startswith(("FAIL: ", "ERROR: ")) or "Error: " in line:
            print("  " + line)
    print("with a saver that exits at once: %s tests ran; outcomes: %d failed, %d passed, %d skipped"
          % (ran.group(1) if ran else "no", failed, passed, len(skipped)))
    if not ran or not outcomes or passed or skipped or run.returncode == 0:
        print("RULE BROKEN: a test passed or skipped while the saver could not start")
        return 1
    print("rule holds: every test failed")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2:]))
