#!/usr/bin/env bash
# Installs whatever the build and the tests need on Debian 12 (run as root),
# then fetches the zlib sources for minizip into the build tree.
# Idempotent: with everything present it only checks and returns.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DEPS=${VARNELLE_DEPS_DIR:-$ROOT/build/_deps}

source "$ROOT/scripts/arch.sh"

# What every machine needs: the two cross toolchains, 64-bit Wine, the screen,
# input and picture tools, the test and installer tools, clang for the native
# fuzz targets (scripts/fuzz.sh), and gcc for the several-monitor tests' stand-in
# Xinerama (a host library; its i386 copy needs no 32-bit packages).
PKGS=(wine wine64 libgl1 libgl1-mesa-dri
      xvfb xauth x11-utils x11-apps xdotool imagemagick
      g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev libz-mingw-w64-dev
      cmake ninja-build make zip unzip bzip2 googletest
      python3 python3-pil fonts-liberation fonts-wine fonts-dejavu-core fonts-noto-cjk nsis
      clang libclang-rt-14-dev gcc)
# 32-bit Wine only where the kernel can run it: elsewhere its loader cannot start,
# and Debian's wine wrapper would pick it over the 64-bit one.
PKGS32=(wine32:i386 libgl1:i386 libgl1-mesa-dri:i386)
if machine_runs_32bit; then
  PKGS+=("${PKGS32[@]}")
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
fi

missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# minizip has no mingw package: take it from Debian's zlib source package,
# using a private apt state so the machine's own configuration stays untouched.
MZ=$DEPS/minizip
if [[ ! -f $MZ/unzip.c ]]; then
  mkdir -p "$DEPS"
  W=$(mktemp -d)
  trap 'rm -rf "$W"' EXIT
  mkdir -p "$W/lists/partial" "$W/cache/archives/partial"
  MIRROR=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  [[ -n $MIRROR ]] || MIRROR=$(awk '$1=="deb" {print $2; exit}' /etc/apt/sources.list)
  echo "deb-src $MIRROR bookworm main" > "$W/sources.list"
  APT=(-o Dir::Etc::SourceList="$W/sources.list" -o Dir::Etc::SourceParts=- -o Dir::State::Lists="$W/lists"
       -o Dir::Cache="$W/cache" -o APT::Sandbox::User=root)
  apt-get "${APT[@]}" update -q >/dev/null
  (cd "$W" && apt-get "${APT[@]}" source --download-only zlib=1:1.2.13.dfsg-1 >/dev/null)
  echo "71feb7947e3c00ef125f83b79a4e529bde31171e5babe48b391f06758d1ab0a1  $W/zlib_1.2.13.dfsg.orig.tar.bz2" | sha256sum -c --quiet
  tar -xjf "$W/zlib_1.2.13.dfsg.orig.tar.bz2" -C "$W" zlib-1.2.13.dfsg/contrib/minizip
  rm -rf "$MZ"
  mv "$W/zlib-1.2.13.dfsg/contrib/minizip" "$MZ"
  echo "install-deps: minizip sources in $MZ"
fi
