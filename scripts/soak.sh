#!/usr/bin/env bash
# The soak check: builds the 64-bit saver with live-object counters in a tree of
# its own (build/x64-counters), checks the counters, then runs the saver for
# SOAK_SECONDS (default 600) over cross-fading photos and opens and closes the
# dialog's full-screen preview SOAK_PREVIEWS times (default 100), on a private Xvfb.
# Fails when a figure grows steadily. Not part of the tests: it takes a quarter hour.
# Arguments go to scripts/soak.py (--self-test checks only the growth detector;
# --runs a or --runs b runs one of the two).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
PY=/usr/bin/python3
for arg in "$@"; do
  [[ $arg == --self-test ]] && exec "$PY" "$ROOT/scripts/soak.py" --self-test
done

export VARNELLE_DEPS_DIR=${VARNELLE_DEPS_DIR:-$ROOT/build/_deps}
[[ ${VARNELLE_SKIP_DEPS:-0} == 1 ]] || "$ROOT/scripts/install-deps.sh"
export VARNELLE_ARCH=x64
TREE=$ROOT/build/x64-counters
# The counters tree has its own prefix, so the tests' prefix and its server stay untouched.
export WINEPREFIX=$TREE/wineprefix
source "$ROOT/scripts/wine-env.sh"
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}

echo "soak: building the counters build in ${TREE#$ROOT/}"
cmake -S "$ROOT" -B "$TREE" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVARNELLE_DEPS_DIR="$VARNELLE_DEPS_DIR" -DVARNELLE_BIN_DIR="$TREE/bin" \
  -DVARNELLE_COUNTERS=ON >/dev/null
cmake --build "$TREE" --target Varnelle harness unit_tests >/dev/null

"$PY" "$ROOT/scripts/soak.py" --self-test-quiet
# The screen first: Wine's desktop process, started by the warm-up, draws on it.
start_private_xvfb "${SOAK_SCREEN:-1024x768}"
trap 'wineserver -k >/dev/null 2>&1; stop_private_xvfb' EXIT
"$ROOT/scripts/wine-warmup.sh"

# With them the rebuilds after a lost device and a display change, whose live counts must stay flat.
echo "soak: the counters' own tests, and the rebuilds' counts"
if ! (cd "$TREE/bin" && wine unit_tests.exe --gtest_filter='Counters.*:FlamesPreview.*' --gtest_brief=1 </dev/null 2>&1 | tr -d '\r'); then
  echo "soak: FAILED: the counters' own tests fail, so their figures cannot be trusted"
  exit 1
fi

"$PY" "$ROOT/scripts/soak.py" --bin "$TREE/bin" --work "$TREE/soak" "$@"
