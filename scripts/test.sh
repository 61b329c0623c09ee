#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit and system) under
# Wine on a private Xvfb screen, for each architecture this machine can run:
# the 64-bit build everywhere, the 32-bit one where the kernel runs 32-bit
# programs. ARCH=x64 or ARCH=x86 runs one alone; arguments go to ctest.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/arch.sh"
describe_machine_arch

select_archs "${ARCH:-}" || exit 2

"$ROOT/scripts/build.sh" "${BUILD_ARCHS[@]}" || { echo "test: the build failed" >&2; exit 1; }

# The parsers built natively with the sanitizers, a few seconds of fuzzing each.
# (VARNELLE_SKIP_FUZZ=1 leaves it out, for quick runs of a few tests.)
fuzz_line="fuzz smoke: passed"
if [[ ${VARNELLE_SKIP_FUZZ:-0} == 1 ]]; then
  fuzz_line="fuzz smoke: left out (VARNELLE_SKIP_FUZZ=1)"
elif ! "$ROOT/scripts/fuzz.sh" --smoke; then
  fuzz_line="fuzz smoke: FAILED"
  failed_fuzz=1
fi

summary=() failed=${failed_fuzz:-0} total_passed=0 total_failed=0
for arch in "${RUN_ARCHS[@]}"; do
  start=$SECONDS
  log=$(mktemp)
  (
    VARNELLE_ARCH=$arch
    source "$ROOT/scripts/wine-env.sh"
    echo "== test: $arch build (${ARCH_BIN_DIR#$ROOT/}) under $WINEARCH Wine, prefix ${WINEPREFIX#$ROOT/}"
    # One wineserver serves one X screen: a fresh server for this run's display.
    wineserver -k >/dev/null 2>&1 || true
    start_private_xvfb "${VARNELLE_TEST_SCREEN:-800x600}" || exit 1
    trap 'wineserver -k >/dev/null 2>&1; stop_private_xvfb' EXIT
    cd "$ARCH_BUILD_DIR"
    # The x64 tree also drives the x86 build's setup and saver: only when it was built.
    exclude=()
    if [[ $arch == x64 && ! " ${BUILD_ARCHS[*]} " =~ " x86 " ]]; then exclude=(-E 'x86_setup|x86_saver'); fi
    ctest --output-on-failure --timeout 600 "${exclude[@]}" "$@"
    rc=$?
    # What Windows the x64 suite had, read from the prefix itself: 64-bit Windows
    # (WoW64) carries the x86 Common Controls beside the amd64 ones.
    if [[ $arch == x64 ]]; then
      if compgen -G "$WINEPREFIX/drive_c/windows/winsxs/x86_microsoft.windows.common-controls_*" >/dev/null; then
        echo "== prefix: WoW64 win64 prefix (x86 Common Controls present), as 64-bit Windows"
      else
        echo "== prefix: 64-bit-only win64 prefix (no x86 Common Controls)"
      fi
    fi
    echo "== $(python3 "$ROOT/scripts/test-summary.py" "$ARCH_BUILD_DIR/Testing/Temporary/LastTest.log")"
    exit $rc
  ) 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  line=$(grep -E '^[0-9]+% tests passed' "$log" | tail -1)
  prefix=$(grep -E '^== prefix: ' "$log" | tail -1 | sed 's/^== prefix: //')
  cases=$(grep -E '^== unittest cases: ' "$log" | tail -1 | sed 's/^== //')
  skipped_entries=$(grep -c '\*\*\*Skipped' "$log")
  rm -f "$log"
  if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    ((total_failed += BASH_REMATCH[1], total_passed += BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
  if ((rc == 0)); then status=passed; else status=FAILED; failed=1; fi
  summary+=("$arch: $status: ${line:-no ctest summary} ($((SECONDS - start)) s), $skipped_entries ctest entries skipped${prefix:+; $prefix}")
  [[ -n $cases ]] && summary+=("$arch: $cases")
done

echo
echo "== test summary"
for l in "$fuzz_line" "${summary[@]}" "${SKIPPED_ARCHS[@]}"; do echo "test: $l"; done
echo "tests: $total_passed passed, $total_failed failed"
exit $failed
