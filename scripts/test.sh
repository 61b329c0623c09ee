#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit and system) under
# Wine on a private Xvfb screen.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
export VARNELLE_DEPS_DIR=${VARNELLE_DEPS_DIR:-$ROOT/build/_deps}
"$ROOT/scripts/install-deps.sh"
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVARNELLE_DEPS_DIR="$VARNELLE_DEPS_DIR" >/dev/null
cmake --build "$BUILD_DIR"

source "$ROOT/scripts/wine-env.sh"
# One wineserver serves one X screen: a fresh server for this run's display.
wineserver -k >/dev/null 2>&1 || true
start_private_xvfb "${VARNELLE_TEST_SCREEN:-800x600}"
trap 'wineserver -k >/dev/null 2>&1; stop_private_xvfb' EXIT
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 600 "$@"
