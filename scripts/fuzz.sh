#!/usr/bin/env bash
# Fuzzes the pure parsers natively: builds fuzz/ with clang's libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer into build/fuzz, replays the
# saved regression inputs, then runs each target for FUZZ_SECONDS (default 60;
# --smoke: about 3). Prints one line per target with its executions and coverage;
# exits non-zero when any target crashes, leaks or times out, naming it and the
# saved input. Arguments after the options limit the run to those targets.
#   scripts/fuzz.sh [--smoke] [settings|language|effect|command_line|dialog_rules ...]
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build/fuzz
ALL_TARGETS=(settings language effect command_line dialog_rules)

seconds=${FUZZ_SECONDS:-60}
targets=()
for arg in "$@"; do
  case $arg in
    --smoke) seconds=3 ;;
    -h|--help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *)
      if [[ " ${ALL_TARGETS[*]} " != *" $arg "* ]]; then
        echo "fuzz: no target '$arg' (targets: ${ALL_TARGETS[*]})" >&2
        exit 2
      fi
      targets+=("$arg") ;;
  esac
done
((${#targets[@]})) || targets=("${ALL_TARGETS[@]}")
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "fuzz: FUZZ_SECONDS must be a whole number of seconds" >&2; exit 2; }

# The native tools: clang with its fuzzer and sanitizer runtimes.
missing=()
for p in clang libclang-rt-14-dev cmake ninja-build python3; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  if ((EUID != 0)); then
    echo "fuzz: missing ${missing[*]}; run as root, or install them" >&2
    exit 1
  fi
  echo "fuzz: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q && apt-get install -y -q --no-install-recommends "${missing[@]}" || exit 1
fi

# Natively and politely: the machine is shared with the Windows build and Wine.
nice -n 19 cmake -S "$ROOT/fuzz" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null || {
  echo "fuzz: configuring fuzz/ failed" >&2; exit 1; }
nice -n 19 cmake --build "$BUILD" -j 1 -- -k 0 >"$BUILD/build.log" 2>&1 || {
  tail -40 "$BUILD/build.log" >&2; echo "fuzz: the build failed (log: ${BUILD#$ROOT/}/build.log)" >&2; exit 1; }

# The targets only tell about Windows if the shim converts text as Windows does.
"$BUILD/shim_check" || { echo "fuzz: the platform shim converts text unlike Windows" >&2; exit 1; }

rm -rf "$BUILD/seeds"
python3 "$ROOT/fuzz/make_corpus.py" "$BUILD/seeds" || { echo "fuzz: making the seed corpora failed" >&2; exit 1; }

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Where libFuzzer says it saved the input that failed, and what kind of failure.
report_failure() {
  local target=$1 log=$2 what=$3
  local saved kind
  saved=$(grep -o 'Test unit written to .*' "$log" | tail -1 | sed 's/^Test unit written to //')
  # A replayed input is not written again: the failing one is the last one run.
  [[ -n $saved ]] || saved=$(grep -o '^Running: .*' "$log" | tail -1 | sed 's/^Running: //')
  kind=$(grep -oE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer): [a-z-]+|runtime error|broken promise' "$log" |
         head -1 | sed 's/^ERROR: //')
  echo "fuzz: $target: FAILED ($what, ${kind:-unknown}): input saved to ${saved:-(none)}; log ${log#$ROOT/}"
  grep -E 'ERROR: |runtime error:|broken promise|SUMMARY:' "$log" | head -4 | sed 's/^/    /'
}

failed=()
for t in "${targets[@]}"; do
  exe=$BUILD/fuzz_$t
  log=$BUILD/logs/$t.log
  mkdir -p "$BUILD/logs" "$BUILD/corpus/$t" "$BUILD/artifacts/$t"
  options=(-print_final_stats=1 -timeout=10 -rss_limit_mb=2048 -max_len=8192
           -artifact_prefix="$BUILD/artifacts/$t/")
  [[ -f $ROOT/fuzz/$t.dict ]] && options+=(-dict="$ROOT/fuzz/$t.dict")

  # Inputs that once failed must keep passing before anything new is tried.
  regressions=("$ROOT"/fuzz/regressions/"$t"/*)
  if [[ -e ${regressions[0]} ]]; then
    if ! nice -n 19 "$exe" "${options[@]}" "${regressions[@]}" >"$log" 2>&1; then
      report_failure "$t" "$log" "a regression input fails again"
      failed+=("$t")
      continue
    fi
  fi

  dirs=("$BUILD/corpus/$t" "$BUILD/seeds/$t")
  [[ -d $ROOT/fuzz/regressions/$t ]] && dirs+=("$ROOT/fuzz/regressions/$t")
  nice -n 19 "$exe" "${options[@]}" -max_total_time="$seconds" "${dirs[@]}" >"$log" 2>&1
  rc=$?
  if ((rc != 0)) || grep -q 'Test unit written to' "$log"; then
    report_failure "$t" "$log" "after $seconds s"
    failed+=("$t")
    continue
  fi
  runs=$(awk '/^stat::number_of_executed_units:/ {print $2}' "$log")
  rate=$(awk '/^stat::average_exec_per_sec:/ {print $2}' "$log")
  last=$(grep -E '^#[0-9]+.* cov: ' "$log" | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\)\/.*/\1/p' <<<"$last")
  printf 'fuzz: %-13s %10s runs %8s exec/s  cov: %-5s ft: %-6s corpus: %s  (%s s)\n' \
    "$t" "${runs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$seconds"
done

if ((${#failed[@]})); then
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets ran clean"
