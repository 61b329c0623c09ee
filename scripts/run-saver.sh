#!/usr/bin/env bash
# Runs a built saver full screen (/s) under Wine, in a prefix of its own, and checks
# what it claims. Usage: run-saver.sh SAVER.scr [WIDTHxHEIGHT]
#
# With $DISPLAY set it runs the saver there and returns its exit code. Without one it
# uses a private Xvfb screen (default 1024x768), saves screenshots, presses a key and
# checks: the saver's window appeared, the screen is not black after the blanked first
# second, the flames move (a still picture is the error screen), and the key closed it
# with exit code 0. Each failure is one plain line with its likely cause.
# Exit codes: 0 flames shown and closed by the key; 1 a check failed; 2 bad arguments;
# 3 the program ran but showed the error screen instead of the flames.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/arch.sh"

fail() { echo "run: FAILED: $*" >&2; exit "${FAIL_CODE:-1}"; }

[[ $# -ge 1 && $# -le 2 ]] || { echo "usage: $0 SAVER.scr [WIDTHxHEIGHT]" >&2; exit 2; }
SAVER=$(realpath -m "$1")
SIZE=${2:-1024x768}
[[ $SIZE =~ ^[0-9]+x[0-9]+$ ]] || FAIL_CODE=2 fail "screen size '$SIZE' is not WIDTHxHEIGHT"
[[ -f $SAVER ]] || FAIL_CODE=2 fail "$SAVER does not exist (build it first: make run builds it)"

# The architecture from the PE header: machine 0x14c is x86, 0x8664 is x64.
machine=$(/usr/bin/python3 - "$SAVER" <<'PY'
import struct, sys
try:
    with open(sys.argv[1], "rb") as f:
        head = f.read(4096)
    if head[:2] != b"MZ":
        raise ValueError
    pe = struct.unpack_from("<I", head, 0x3C)[0]
    if head[pe:pe + 4] != b"PE\0\0":
        raise ValueError
    print({0x14C: "x86", 0x8664: "x64"}.get(struct.unpack_from("<H", head, pe + 4)[0], "other"))
except Exception:
    print("none")
PY
)
case $machine in
  x86|x64) ;;
  none) fail "$SAVER is not a Windows program (no PE header): nothing to run" ;;
  *) fail "$SAVER is a Windows program for another processor: Wine here runs x86 and x64 ones" ;;
esac
if [[ $machine == x86 ]] && ! machine_runs_32bit; then
  fail "$SAVER is a 32-bit program and this machine cannot run 32-bit programs: run build/bin64/Varnelle.scr"
fi
echo "run: $SAVER ($machine)"

export VARNELLE_ARCH=$machine
# A prefix of this script's own: the tests' prefix keeps volatile values of its server.
export WINEPREFIX=${VARNELLE_RUN_PREFIX:-}
[[ -n $WINEPREFIX ]] || unset WINEPREFIX
source "$ROOT/scripts/wine-env.sh"
[[ -n ${VARNELLE_RUN_PREFIX:-} ]] || export WINEPREFIX=$ARCH_BUILD_DIR/wineprefix-run

private=0
if [[ -z ${DISPLAY:-} ]]; then
  private=1
  wineserver -k >/dev/null 2>&1 || true
  start_private_xvfb "$SIZE" || fail "no private X screen could be started (is Xvfb installed?)"
  cleanup() { wineserver -k >/dev/null 2>&1; stop_private_xvfb; }
  trap cleanup EXIT
fi

# Prefix set-up, each step checked.
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  mkdir -p "$WINEPREFIX" || fail "cannot create the prefix folder $WINEPREFIX"
  t0=$SECONDS
  wineboot -i </dev/null >/dev/null 2>&1
  rc=$?
  # The server writes the registry files when it ends.
  wineserver -w </dev/null >/dev/null 2>&1
  [[ $rc -eq 0 && -f $WINEPREFIX/system.reg ]] ||
    fail "wineboot could not make a $WINEARCH prefix in $WINEPREFIX (exit $rc): is $WINEARCH Wine installed and can it start?"
  echo "run: new $WINEARCH prefix in $WINEPREFIX ($((SECONDS - t0)) s)"
fi
fonts=$WINEPREFIX/drive_c/windows/Fonts
for font in tahoma.ttf tahomabd.ttf; do
  [[ -f /usr/share/wine/fonts/$font ]] || fail "Wine's $font is missing (package fonts-wine)"
  if [[ ! -f $fonts/$font ]]; then
    cp "/usr/share/wine/fonts/$font" "$fonts/" 2>/dev/null || fail "cannot copy $font into $fonts (the prefix is incomplete)"
  fi
done
wineserver -p </dev/null >/dev/null 2>&1 || fail "wineserver would not start for $WINEPREFIX"
wine wineboot </dev/null >/dev/null 2>&1 || fail "Wine's services would not start in $WINEPREFIX"
echo "run: prefix $WINEPREFIX ready"

if ((!private)); then
  echo "run: starting $SAVER /s on $DISPLAY: move the mouse or press a key to close it"
  wine "$SAVER" /s
  exit $?
fi

SHOTS=${VARNELLE_SHOTS:-$VARNELLE_BUILD_ROOT/screenshots}
mkdir -p "$SHOTS" || fail "cannot create $SHOTS"
rm -f "$SHOTS"/run-[1-4].png
xdotool mousemove 10 10 >/dev/null 2>&1
wine "$SAVER" /s </dev/null >/dev/null 2>&1 &
pid=$!
wid=
for _ in $(seq 200); do
  wid=$(xdotool search --name '^Screen Saver$' 2>/dev/null | head -1)
  [[ -n $wid ]] && break
  if ! kill -0 $pid 2>/dev/null; then
    wait $pid
    fail "the saver exited with code $? before its window appeared: it could not start (no Direct3D 9, or a missing DLL)"
  fi
  sleep 0.1
done
if [[ -z $wid ]]; then
  kill $pid 2>/dev/null
  fail "the saver's window never appeared within 20 s: Wine or its display is not working"
fi
echo "run: the saver's window appeared on the private screen $DISPLAY ($SIZE)"

# Past the blanked speed-test second, then shots 0.5 s apart: flames move, the error
# screen is a still picture.
sleep 2
for i in 1 2 3 4; do
  import -window root "$SHOTS/run-$i.png" 2>/dev/null || fail "cannot take a screenshot (ImageMagick's import)"
  sleep 0.5
done
verdict=$(/usr/bin/python3 - "$SHOTS" <<'PY'
import sys
from PIL import Image, ImageChops
shots = [Image.open("%s/run-%d.png" % (sys.argv[1], i)).convert("RGB") for i in range(1, 5)]
def lit(img):
    small = img.resize((160, 120))
    return sum(1 for p in small.getdata() if max(p) > 40) / (160 * 120.0)
def changed(a, b):
    diff = ImageChops.difference(a, b).convert("L").resize((160, 120))
    return sum(1 for v in diff.getdata() if v > 24) / (160 * 120.0)
if max(lit(s) for s in shots) < 0.005:
    print("black")
elif max(changed(shots[i], shots[i + 1]) for i in range(3)) < 0.002:
    print("still")
else:
    print("flames")
PY
)

xdotool key Escape
for _ in $(seq 100); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
if kill -0 $pid 2>/dev/null; then
  kill $pid 2>/dev/null
  fail "the saver did not close within 10 s of a key press"
fi
wait $pid
code=$?
((code == 0)) || fail "the saver closed on the key press but exited with code $code (0 expected)"
echo "run: the key press closed the saver (exit code 0)"
echo "run: screenshots: $SHOTS/run-1.png ... run-4.png"

case $verdict in
  flames) echo "run: OK: the flames showed and moved" ;;
  black) fail "the screen stayed black after the blanked first second: nothing was drawn (Direct3D or the archive beside the saver)" ;;
  still)
    echo "run: the error screen showed instead of the flames (the start-up speed test or the capability check failed): the program ran, but the user sees no flames"
    exit 3
    ;;
  *) fail "the screenshots could not be judged (python3-pil)" ;;
esac
