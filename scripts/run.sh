#!/usr/bin/env bash
# Installs what is missing, builds, and runs Varnelle.scr /s under Wine through
# scripts/run-saver.sh: the 32-bit saver where this machine runs 32-bit programs,
# otherwise the 64-bit one. On $DISPLAY when set, else on a private Xvfb with screenshots.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/arch.sh"
describe_machine_arch
if ((VARNELLE_RUNS_32BIT)); then arch=x86 bin=bin; else arch=x64 bin=bin64; fi
BUILD_ROOT=${BUILD_DIR:-$ROOT/build}
"$ROOT/scripts/build.sh" "$arch" -- Varnelle varnelle_archive
echo "run: the $arch saver ($( ((VARNELLE_RUNS_32BIT)) && echo 'this machine runs 32-bit programs' || echo 'this machine cannot run 32-bit programs'))"
exec "$ROOT/scripts/run-saver.sh" "$BUILD_ROOT/$bin/Varnelle.scr" "${VARNELLE_RUN_SCREEN:-1024x768}"
