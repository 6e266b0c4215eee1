#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each (default 5) on its checked-in corpus
# (tests/fuzz/corpus/<target>), builds the "fuzz" preset first, and prints each
# target as one case in GoogleTest form so that test.sh counts it.
#   tests/fuzz/run.sh 600     a long search; new inputs gather in build/fuzz/corpus
# An input that breaks a property is kept as build/fuzz/artifacts/<target>-crash-*;
# copy it into tests/fuzz/corpus/<target>/ with the fix, so that it stays found.
set -uo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-5}
targets=(key_path_fuzz trim_fuzz last_backslash_fuzz multi_text_fuzz registry_sequence_fuzz)
build=build/fuzz
mkdir -p build/logs
if ! { cmake --preset fuzz && cmake --build --preset fuzz; } >build/logs/build-fuzz.log 2>&1; then
  echo "build fuzz: FAILED (see build/logs/build-fuzz.log)"
  grep -E 'error|warning' build/logs/build-fuzz.log | head -20
  exit 1
fi
if grep -q 'warning:' build/logs/build-fuzz.log; then
  echo "build fuzz: warnings (see build/logs/build-fuzz.log)"
  grep 'warning:' build/logs/build-fuzz.log | head -20
  exit 1
fi

passed=0 failed=0
echo "[==========] Running ${#targets[@]} fuzz targets for ${seconds} s each"
for t in "${targets[@]}"; do
  echo "[ RUN      ] Fuzz.$t"
  mkdir -p "$build/corpus/$t" "$build/artifacts"
  log=build/logs/fuzz-$t.log
  # New inputs go to the build tree; the checked-in corpus is only read.
  "$build/tests/fuzz/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" \
    "$build/corpus/$t" "tests/fuzz/corpus/$t" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  if [ $rc -eq 0 ] && [ -n "$runs" ]; then
    echo "  $runs inputs, $rate per second"
    echo "[       OK ] Fuzz.$t"
    passed=$((passed + 1))
  else
    grep -aE 'property broken|ERROR:|SUMMARY|runtime error|Test unit written' "$log" | head -8
    echo "[  FAILED  ] Fuzz.$t (see $log)"
    failed=$((failed + 1))
  fi
done
echo "[==========] $((passed + failed)) tests from 1 test suite ran."
echo "[  PASSED  ] $passed tests."
[ $failed -eq 0 ] || echo "[  FAILED  ] $failed tests, listed below:"
[ $failed -eq 0 ]
