#!/usr/bin/env bash
# Where the registry operations' time goes, without Wine: builds the registry
# benchmark natively (build/bench-native, against the in-memory registry) and
# runs one part of it under callgrind; prints the functions that cost most.
#
#   bench/profile.sh [calls|enum|tree]
set -euo pipefail
cd "$(dirname "$0")/.."
part=${1:-enum}
cmake -S . -B build/bench-native -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_BENCH=ON \
  -DMORVANE_TESTS=OFF >build/bench-native.log 2>&1
cmake --build build/bench-native -j2 --target registry_bench >>build/bench-native.log 2>&1
out=build/bench-native/callgrind.$part.out
# Only the time inside the operations is collected, not the building of the keys.
valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect='RegistryAccess::*' \
  --toggle-collect='*RawEnum*' --toggle-collect='*RawRead*' \
  build/bench-native/bench/registry_bench --rounds 1 --calls 1000 --sizes 1000 --tree-keys 2000 \
  --part "$part"
callgrind_annotate --inclusive=yes "$out" 2>/dev/null | sed -n '/file:function/,$p' | head -30
