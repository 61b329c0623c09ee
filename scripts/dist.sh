#!/usr/bin/env bash
# make dist: installs what is missing, builds both architectures and packs the
# release into dist/ (scripts/dist.py): the setup, the portable zip, the release
# notes and their SHA256SUMS, named with CMake's project() version.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "dist: FAILED: $*" >&2; exit 1; }

"$ROOT/scripts/build.sh" x64 x86 || fail "the build failed (its output is above)"
VARNELLE_ARCH=x86 source "$ROOT/scripts/wine-env.sh"
x86_dir=$ARCH_BUILD_DIR x86_bin=$ARCH_BIN_DIR
VARNELLE_ARCH=x64 source "$ROOT/scripts/wine-env.sh"
x64_dir=$ARCH_BUILD_DIR x64_bin=$ARCH_BIN_DIR

version=$(cat "$x86_dir/generated/version.txt" 2>/dev/null) || fail "no $x86_dir/generated/version.txt: the x86 tree was not configured"
version64=$(cat "$x64_dir/generated/version.txt" 2>/dev/null) || fail "no $x64_dir/generated/version.txt: the x64 tree was not configured"
[[ $version == "$version64" ]] || fail "the x86 tree has version $version, the x64 tree $version64: configure both anew"

# Every file in the zip carries the commit's time, so one commit packs one zip.
when=${SOURCE_DATE_EPOCH:-$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || echo 315532800)}
exec /usr/bin/python3 "$ROOT/scripts/dist.py" --version "$version" --x86 "$x86_bin" --x64 "$x64_bin" \
  --out "${DIST_DIR:-$ROOT/dist}" --time "$when"
