#!/usr/bin/env bash
# Builds and runs every benchmark under Wine on a private 1920x1080 Xvfb screen.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
"$ROOT/scripts/install-deps.sh"
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DIR"
export WINEPREFIX=${WINEPREFIX:-$BUILD_DIR/wineprefix-bench}
source "$ROOT/scripts/wine-env.sh"
wineserver -k >/dev/null 2>&1 || true
start_private_xvfb 1920x1080
trap 'wineserver -k >/dev/null 2>&1; stop_private_xvfb' EXIT
"$ROOT/scripts/wine-warmup.sh"
cd "$BUILD_DIR/bin"
for b in bench_*.exe; do
  echo "== ${b%.exe}"
  wine "./$b" "$@" </dev/null
done
