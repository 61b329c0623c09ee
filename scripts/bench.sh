#!/usr/bin/env bash
# Builds and runs every benchmark under Wine on a private 1920x1080 Xvfb screen, for
# each architecture this machine runs (ARCH=x64 or ARCH=x86 for one alone); each
# benchmark's output is labelled with its architecture.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/arch.sh"
describe_machine_arch
select_archs "${ARCH:-}" || exit 2
"$ROOT/scripts/build.sh" "${BUILD_ARCHS[@]}"
for l in "${SKIPPED_ARCHS[@]}"; do echo "bench: $l"; done
for arch in "${RUN_ARCHS[@]}"; do
  (
    VARNELLE_ARCH=$arch
    source "$ROOT/scripts/wine-env.sh"
    export WINEPREFIX=$ARCH_BUILD_DIR/wineprefix-bench
    wineserver -k >/dev/null 2>&1 || true
    start_private_xvfb 1920x1080
    trap 'wineserver -k >/dev/null 2>&1; stop_private_xvfb' EXIT
    "$ROOT/scripts/wine-warmup.sh"
    cd "$ARCH_BIN_DIR"
    for b in bench_*.exe; do
      echo "== $arch ${b%.exe}"
      wine "./$b" "$@" </dev/null
    done
  )
done
