# Sourced by the scripts: Wine in a prefix inside the build tree, no Mono/Gecko,
# no debug noise. VARNELLE_ARCH picks the build: x86 (the tree build/, programs in
# build/bin, a win32 prefix) or x64 (the tree build/x64, programs in build/bin64, a
# win64 prefix and Wine's 64-bit programs called by path). BUILD_DIR moves build/.
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
VARNELLE_ARCH=${VARNELLE_ARCH:-x86}
VARNELLE_BUILD_ROOT=${VARNELLE_BUILD_ROOT:-${BUILD_DIR:-$ROOT/build}}
case $VARNELLE_ARCH in
  x64)
    ARCH_BUILD_DIR=$VARNELLE_BUILD_ROOT/x64
    ARCH_BIN_DIR=$VARNELLE_BUILD_ROOT/bin64
    ARCH_TOOLCHAIN=$ROOT/cmake/mingw-x86_64.cmake
    export WINEARCH=win64
    # Debian's wine wrapper takes the 32-bit loader whenever it is installed.
    case ":$PATH:" in *":$ROOT/scripts/wine-x64:"*) ;; *) export PATH=$ROOT/scripts/wine-x64:$PATH ;; esac
    ;;
  x86)
    ARCH_BUILD_DIR=$VARNELLE_BUILD_ROOT
    ARCH_BIN_DIR=$VARNELLE_BUILD_ROOT/bin
    ARCH_TOOLCHAIN=$ROOT/cmake/mingw-i686.cmake
    export WINEARCH=win32
    ;;
  *)
    echo "unknown architecture '$VARNELLE_ARCH' (x86 or x64)" >&2
    return 2 2>/dev/null || exit 2
    ;;
esac
export VARNELLE_ARCH
export WINEPREFIX=${WINEPREFIX:-$ARCH_BUILD_DIR/wineprefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# Starts a private Xvfb of the given size on a free display and exports DISPLAY.
start_private_xvfb() {
  local size=$1 n
  for n in $(seq 90 140); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do
      [[ -e /tmp/.X11-unix/X$n ]] && break
      sleep 0.1
    done
    if kill -0 "$XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "no free X display" >&2
  return 1
}

stop_private_xvfb() {
  [[ -n ${XVFB_PID:-} ]] && kill "$XVFB_PID" 2>/dev/null
  XVFB_PID=
}
