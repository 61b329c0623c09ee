#!/usr/bin/env bash
# Compares the look of two builds of the effects: each flame style and each other
# family drawn by the benchmarks of both, several frames half a second apart, at
# 800x600 and 1920x1080 on a private Xvfb. Prints their statistics side by side,
# saves before|after pictures in build/look/, and fails when any figure is out of
# its tolerance (scripts/look_check.py).
#   scripts/look-check.sh BEFORE_BIN_DIR [AFTER_BIN_DIR (default: this tree's x64 programs)]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
VARNELLE_ARCH=x64
source "$ROOT/scripts/wine-env.sh"
before=$(cd "$1" && pwd)
after=$(cd "${2:-$ARCH_BIN_DIR}" && pwd)
export WINEPREFIX=$ARCH_BUILD_DIR/wineprefix-bench
start_private_xvfb 1920x1080
trap '{ wineserver -k || true; } >/dev/null 2>&1; stop_private_xvfb' EXIT
"$ROOT/scripts/wine-warmup.sh" >/dev/null
/usr/bin/python3 "$ROOT/scripts/look_check.py" "$before" "$after" "$ROOT/build/look"
