#!/usr/bin/env bash
# Installs what is missing, builds, and starts Varnelle.scr /s under Wine: on the
# current display, or on a private Xvfb where it saves screenshots and then closes
# the saver with a key press.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
"$ROOT/scripts/install-deps.sh"
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DIR" --target Varnelle

export WINEPREFIX=${WINEPREFIX:-$BUILD_DIR/wineprefix-run}
source "$ROOT/scripts/wine-env.sh"
SAVER=$BUILD_DIR/bin/Varnelle.scr
if [[ -n ${DISPLAY:-} ]]; then
  "$ROOT/scripts/wine-warmup.sh"
  echo "Starting $SAVER /s on $DISPLAY: move the mouse or press a key to close it."
  exec wine "$SAVER" /s
fi

wineserver -k >/dev/null 2>&1 || true
start_private_xvfb "${VARNELLE_RUN_SCREEN:-1024x768}"
trap 'wineserver -k >/dev/null 2>&1; stop_private_xvfb' EXIT
"$ROOT/scripts/wine-warmup.sh"
SHOTS=$BUILD_DIR/screenshots
mkdir -p "$SHOTS"
wine "$SAVER" /s &
SAVER_PID=$!
for i in 1 2 3 4; do
  sleep 1.5
  import -window root "$SHOTS/run-$i.png"
done
xdotool key Escape
for _ in $(seq 100); do
  kill -0 "$SAVER_PID" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$SAVER_PID" 2>/dev/null; then
  echo "the saver did not close on a key press" >&2
  exit 1
fi
echo "The saver ran on a private screen ($DISPLAY) and closed on a key press."
echo "Screenshots: $SHOTS/run-1.png ... run-4.png"
