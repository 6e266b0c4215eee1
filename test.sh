#!/usr/bin/env bash
# Builds the three presets and runs every test layer:
#   native  unit and registry tests against the in-memory registry (ASan, UBSan)
#   fuzz    each libFuzzer target a few seconds on its checked-in corpus (clang)
#   wine    the same registry tests against the real registry under Wine
#   e2e     the real win64 morvane.exe under Wine and Xvfb, driven from outside
#   checks  what the executables import and carry
# Ends with the total alone on its last line: "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")"
root=$(pwd)
source tests/setup-machine.sh
source tests/wine-env.sh
source tests/layers.sh
source tests/xvfb.sh

morvane_setup_machine || exit 1
mkdir -p build/logs

build_ok=1
for preset in native win64 win32; do
  log=build/logs/build-$preset.log
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } >"$log" 2>&1; then
    echo "build $preset: FAILED (see $log)"
    grep -E 'error|warning' "$log" | head -20
    build_ok=0
  elif grep -q 'warning:' "$log"; then
    echo "build $preset: warnings (see $log)"
    grep 'warning:' "$log" | head -20
    build_ok=0
  else
    echo "build $preset: ok"
  fi
done
[ $build_ok = 1 ] || { echo "0 passed, 1 failed"; exit 1; }

layer_begin native
for t in build/native/tests/*_tests; do
  [ -x "$t" ] && layer_run_gtest native "$t"
done

layer_begin fuzz
tests/fuzz/run.sh 4 >build/logs/fuzz.log 2>&1
layer_collect fuzz build/logs/fuzz.log

# Everything under Wine runs in the scratch prefix, on our own Xvfb display.
morvane_wine_env "$root/build/wine"
morvane_start_xvfb || exit 1
trap 'wineserver -k 2>/dev/null; morvane_stop_xvfb' EXIT
morvane_link_fixture
layer_begin wine
for t in build/win64/tests/*_tests.exe; do
  [ -f "$t" ] && layer_run_gtest wine wine "$t"
done

if [ -x tests/e2e/run.sh ] && [ -f build/win64/app/morvane.exe ]; then
  layer_begin e2e
  tests/e2e/run.sh
  layer_collect_json e2e build/logs/e2e.json build/logs/e2e.log \
    "$(grep -oE '[0-9]+$' build/logs/e2e.status 2>/dev/null || echo 1)"
  layer_collect e2e build/logs/e2e-shell.log
fi

if [ -x tests/checks.sh ]; then
  layer_begin checks
  tests/checks.sh >build/logs/checks.log 2>&1
  layer_collect checks build/logs/checks.log
fi

layer_summary
