#!/usr/bin/env bash
# Starts the full-screen saver and closes it with a small mouse move, COUNT times,
# on a private Xvfb in a prefix of its own, and counts the runs that did not end
# with exit code 0. A Unix signal at the end of the process shows as a negative code;
# its core file is kept as core.N in the loop's folder. Not part of make test.
# Usage: scripts/close-loop.sh x64|x86 [COUNT] [SAVER]   (the archive must lie beside SAVER)
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
VARNELLE_ARCH=${1:?usage: close-loop.sh x64|x86 [COUNT] [SAVER]}
COUNT=${2:-200}
source "$ROOT/scripts/wine-env.sh"
SAVER=${3:-$ARCH_BIN_DIR/Varnelle.scr}
# CLOSE_LOOP_NAME keeps two loops (say, two builds side by side) apart.
NAME=${CLOSE_LOOP_NAME:-close-loop}
LOOP=$ARCH_BUILD_DIR/$NAME
export WINEPREFIX=$ARCH_BUILD_DIR/wineprefix-$NAME
mkdir -p "$LOOP"
cd "$LOOP" || exit 1
ulimit -c unlimited
start_private_xvfb 800x600 || exit 1
trap 'wineserver -k >/dev/null 2>&1; stop_private_xvfb' EXIT
"$ROOT/scripts/wine-warmup.sh" >/dev/null 2>&1
bad=0 nowindow=0
declare -A codes=()
for i in $(seq 1 "$COUNT"); do
  xdotool mousemove 400 300
  rm -f core
  wine "$SAVER" /s </dev/null >/dev/null 2>&1 &
  pid=$!
  found=
  for _ in $(seq 100); do
    if xdotool search --onlyvisible --name '^Screen Saver$' >/dev/null 2>&1; then found=1; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [[ -n $found ]] || ((nowindow++))
  sleep 1.5
  xdotool mousemove_relative 5 0
  wait "$pid"
  rc=$?
  # bash reports a signal as 128+N
  ((rc > 128 && rc < 160)) && rc=$((128 - rc))
  codes[$rc]=$((${codes[$rc]:-0} + 1))
  if ((rc != 0)); then
    ((bad++))
    [[ -f core ]] && mv core "core.$i"
    echo "close-loop: run $i ended with $rc"
  fi
  sleep 1
done
summary=
for c in "${!codes[@]}"; do summary+=" code $c: ${codes[$c]}"; done
echo "close-loop: $VARNELLE_ARCH $COUNT runs, $bad not ending with 0, $nowindow without a window;$summary"
((bad == 0 && nowindow == 0))
