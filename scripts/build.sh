#!/usr/bin/env bash
# Installs what is missing, then configures and builds one CMake tree per
# architecture from the same sources: x86 in build/ (programs in build/bin) and
# x64 in build/x64 (programs in build/bin64). Arguments: the architectures
# (default: both), then optionally '--' and targets to build.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export VARNELLE_DEPS_DIR=${VARNELLE_DEPS_DIR:-$ROOT/build/_deps}
archs=()
while (($#)) && [[ $1 != -- ]]; do archs+=("$1"); shift; done
[[ ${1:-} == -- ]] && shift
((${#archs[@]})) || archs=(x64 x86)
[[ ${VARNELLE_SKIP_DEPS:-0} == 1 ]] || "$ROOT/scripts/install-deps.sh"
configure_tree() {
  cmake -S "$ROOT" -B "$ARCH_BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ARCH_TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DVARNELLE_DEPS_DIR="$VARNELLE_DEPS_DIR" -DVARNELLE_BIN_DIR="$ARCH_BIN_DIR" "$@" >/dev/null
}
for arch in "${archs[@]}"; do
  (
    VARNELLE_ARCH=$arch
    source "$ROOT/scripts/wine-env.sh"
    echo "build: $arch in ${ARCH_BUILD_DIR#$ROOT/}, programs in ${ARCH_BIN_DIR#$ROOT/}"
    extra=()
    if [[ $arch == x86 ]]; then
      # The x86 setup carries the 64-bit saver for 64-bit Windows.
      (VARNELLE_ARCH=x64; source "$ROOT/scripts/wine-env.sh"; configure_tree && cmake --build "$ARCH_BUILD_DIR" --target Varnelle)
      extra=(-DVARNELLE_SAVER64="$VARNELLE_BUILD_ROOT/bin64/Varnelle.scr")
    fi
    configure_tree "${extra[@]}"
    if (($#)); then
      cmake --build "$ARCH_BUILD_DIR" --target "$@"
    else
      cmake --build "$ARCH_BUILD_DIR"
    fi
  )
done
