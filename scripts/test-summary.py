#!/usr/bin/env python3
"""One line about the system tests' unittest cases of a ctest run: how many passed,
failed and were skipped, and the commonest reasons for a skip, so that a run that
skipped much is visible at a glance. Reads ctest's full log (LastTest.log), where
the output of every test is kept, passed or not."""
import collections
import re
import sys


def main(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
    except OSError:
        print("unittest cases: no ctest log at %s" % path)
        return 0
    outcome = r"(ok|FAIL|ERROR|skipped (['\"])(.*?)\2|expected failure|unexpected success)$"
    outcomes = []
    waiting = False  # a case's " ... " line whose outcome a warning pushed to a line of its own
    for line in text.splitlines():
        found = re.search(r" \.\.\. " + outcome, line)
        alone = waiting and re.match(outcome, line)
        if found or alone:
            outcomes.append((found or alone).groups())
        waiting = bool(not found and " ... " in line) or (waiting and not alone)
    counts = collections.Counter()
    reasons = collections.Counter()
    for outcome, _, reason in outcomes:
        if outcome == "ok" or outcome == "expected failure":
            counts["passed"] += 1
        elif outcome.startswith("skipped"):
            counts["skipped"] += 1
            reasons[reason] += 1
        else:
            counts["failed"] += 1
    line = "unittest cases: %d passed, %d failed, %d skipped" % (counts["passed"], counts["failed"], counts["skipped"])
    if reasons:
        line += " (" + "; ".join("%d x %s" % (n, r) for r, n in reasons.most_common(3)) + ")"
    print(line)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
