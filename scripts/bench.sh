#!/usr/bin/env bash
# Builds and runs every benchmark under Wine on a private 1920x1080 Xvfb screen, for
# each architecture this machine runs (ARCH=x64 or ARCH=x86 for one alone); each
# benchmark's output is labelled with its architecture. BENCH_ONLY=regex runs the
# benchmarks whose names match (bench_fire, bench_families, ..., startup, rest);
# BENCH_REST_BEFORE=BIN_DIR sets the rest cost beside another build's saver.
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
    trap '{ wineserver -k || true; } >/dev/null 2>&1; stop_private_xvfb' EXIT
    "$ROOT/scripts/wine-warmup.sh"
    # Three 12-megapixel camera-like photos for the photo-library benchmark.
    photos=$ARCH_BUILD_DIR/bench-photos
    mkdir -p "$photos"
    /usr/bin/python3 - "$photos" <<'PY'
import os, random, sys
from PIL import Image
for i in range(3):
    path = os.path.join(sys.argv[1], "photo%d.jpg" % i)
    if os.path.exists(path):
        continue
    rng = random.Random(i)
    small = Image.new("RGB", (80, 60))
    small.putdata([(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(4800)])
    small.resize((4000, 3000), Image.BILINEAR).save(path, "JPEG", quality=90)
PY
    cd "$ARCH_BIN_DIR"
    for b in bench_*.exe; do
      [[ -n ${BENCH_ONLY:-} && ! ${b%.exe} =~ $BENCH_ONLY ]] && continue
      echo "== $arch ${b%.exe}"
      if [[ $b == bench_photos.exe ]]; then
        wine "./$b" "Z:${photos//\//\\}" </dev/null
      elif [[ $b == bench_monitors.exe ]]; then
        wine "./$b" "$@" </dev/null
        wine "./$b" memory "Z:${photos//\//\\}" </dev/null
      else
        wine "./$b" "$@" </dev/null
      fi
    done
    if [[ -z ${BENCH_ONLY:-} || startup =~ $BENCH_ONLY ]]; then
      echo "== $arch startup"
      /usr/bin/python3 "$ROOT/scripts/bench_startup.py" "$ARCH_BIN_DIR"
    fi
    if [[ -z ${BENCH_ONLY:-} || rest =~ $BENCH_ONLY ]]; then
      echo "== $arch rest"
      /usr/bin/python3 "$ROOT/scripts/bench_rest.py" "$ARCH_BIN_DIR" ${BENCH_REST_BEFORE:+"$BENCH_REST_BEFORE"}
    fi
  )
done
