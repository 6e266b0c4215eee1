#!/usr/bin/env bash
# Benchmarks: builds the win64 Release binaries (build/bench-win64) and the
# shipped 32-bit exe (build/bench-win32), runs the benchmark programs under Wine
# in a scratch prefix of their own (build/bench-wine) on an Xvfb display of their
# own, prints one table and writes it to BENCHMARKS.md at the root.
#
# Every figure is a ratio of medians of interleaved rounds (baseline and ours
# alternating) measured in this run. Nothing here asserts anything about time.
#
#   bench/run.sh [ROUNDS]     ROUNDS: at least 5 (the default)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
command_line="bench/run.sh${*:+ $*}"
rounds=${1:-5}
[ "$rounds" -ge 5 ] || { echo "at least 5 rounds" >&2; exit 2; }
started=$(date +%s)

source tests/setup-machine.sh
source tests/wine-env.sh
source tests/xvfb.sh
morvane_setup_machine

results=$root/build/bench-results.txt
mkdir -p build
: >"$results"
note() { echo "$*" >>"$results"; }
say() { echo "== $*" >&2; }

# ---- builds ------------------------------------------------------------------
say "building win64 (build/bench-win64) and win32 (build/bench-win32)"
{
  cmake --preset win64 -B build/bench-win64 -DMORVANE_BENCH=ON -DMORVANE_TESTS=OFF &&
    cmake --build build/bench-win64 -j2 &&
    cmake --preset win32 -B build/bench-win32 &&
    cmake --build build/bench-win32 -j2
} >build/bench-build.log 2>&1 || { tail -30 build/bench-build.log; exit 1; }
bin=$root/build/bench-win64/bench

# ---- size of the shipped exe ---------------------------------------------------
exe32=build/bench-win32/app/morvane.exe
note "SIZE $(stat -c %s $exe32)"
note "IMPORTS $(LC_ALL=C i686-w64-mingw32-objdump -p $exe32 | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"

# ---- Wine ----------------------------------------------------------------------
morvane_wine_env "$root/build/bench-wine"
desktops=$WINEPREFIX/drive_c/morvane-bench
cleanup() {
  rm -rf "$desktops"
  wineserver -k 2>/dev/null || true
  morvane_stop_xvfb
}
trap cleanup EXIT
morvane_start_xvfb
wineserver -p  # stays up between the many short runs below, so none pays its start
wine() { command wine "$@" | tr -d '\r'; }

say "registry ($rounds rounds)"
wine "$bin/registry_bench.exe" --rounds "$rounds" --calls 4000 --sizes 1000,10000,50000 \
  --tree-keys 10000 | tee -a "$results" >&2

# ---- file work -----------------------------------------------------------------
# C:\ is $WINEPREFIX/drive_c, so both sides work on the same files of the same disk.
win_path() { echo "C:\\${1#"$WINEPREFIX"/drive_c/}" | tr / '\\'; }
linux_step() {  # prints the seconds the command took
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.6f", ns / 1e9 }'
}
ours_step() {  # file_bench STEP ARGS...; prints its own measured seconds
  local out
  out=$(wine "$bin/file_bench.exe" "$@")
  set -- $out
  [ "${2:-0}" = 1 ] || note "FAIL file_bench $step_name round $round did not complete its work"
  echo "$1"
}
pair() {  # NAME, our command, the Linux command: one interleaved round
  step_name=$1
  local mine theirs
  if [ $((round % 2)) = 1 ]; then
    sync; mine=$(eval "$2"); sync; theirs=$(eval "$3")
  else
    sync; theirs=$(eval "$3"); sync; mine=$(eval "$2")
  fi
  sync
  note "ROUND $1 $theirs $mine"
  printf '   %-14s round %d: %8.3f s  (%s %8.3f s)\n' "$1" "$round" "$mine" "$3" "$theirs" >&2
}
rm -rf "$desktops"
for tree in large small; do
  say "file work, $tree desktop ($rounds rounds)"
  dir=$desktops/$tree
  python3 bench/make_desktops.py "$tree" "$dir/source"
  src=$dir/source ours=$dir/copy-ours linux=$dir/copy-linux
  for round in $(seq 1 "$rounds"); do
    rm -rf "$ours" "$linux"
    pair "copy-$tree" 'ours_step copy "$(win_path "$src")" "$(win_path "$ours")"' \
      'linux_step cp -a "$src" "$linux"'
    pair "verify-$tree" 'ours_step verify "$(win_path "$src")" "$(win_path "$ours")"' \
      'linux_step diff -r "$src" "$linux"'
    pair "delete-$tree" 'ours_step delete "$(win_path "$ours")"' 'linux_step rm -rf "$linux"'
  done
  rm -rf "$dir"
done

# ---- start-up ------------------------------------------------------------------
say "start-up ($rounds rounds)"
wine "$bin/startup_bench.exe" "$rounds" "$(winepath -w "$root/build/bench-win64/app/morvane.exe")" |
  tee -a "$results" >&2

# ---- the table -----------------------------------------------------------------
mem=$(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
cpu=$(sed -n 's/^model name\s*:\s*//p' /proc/cpuinfo | head -1)
note "META command $command_line"
note "META date $(date -u '+%Y-%m-%d %H:%M UTC')"
note "META machine $(nproc) cores, $mem memory, $cpu"
note "META wine $(command wine --version)"
note "META rounds $rounds"
elapsed=$(($(date +%s) - started))
note "META elapsed $((elapsed / 60)) min $((elapsed % 60)) s"
python3 bench/table.py "$results" BENCHMARKS.md bench/notes.md
