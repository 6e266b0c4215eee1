# Counting for test.sh: each layer adds up the passed and failed cases of the
# GoogleTest programs it runs (or of a log in the same form).

declare -A layer_passed layer_failed
layer_order=()

layer_begin() {
  layer_order+=("$1")
  layer_passed[$1]=0
  layer_failed[$1]=0
}

# Adds the counts that a GoogleTest log reports; a log without its closing
# line (a crash, a hang cut short) counts as one failure.
layer_collect() {
  local layer=$1 log=$2 passed failed
  passed=$(grep -aoE '^\[  PASSED  \] [0-9]+ test' "$log" | grep -oE '[0-9]+' | awk '{s+=$1} END {print s+0}')
  failed=$(grep -aoE '^\[  FAILED  \] [0-9]+ tests?, listed below' "$log" | grep -oE '[0-9]+' | awk '{s+=$1} END {print s+0}')
  if ! grep -aqE '^\[==========\] [0-9]+ tests? from .* ran' "$log"; then
    failed=$((failed + 1))
    echo "$layer: $log ended without a test summary"
  fi
  layer_passed[$layer]=$((layer_passed[$layer] + passed))
  layer_failed[$layer]=$((layer_failed[$layer] + failed))
  if [ "$failed" -gt 0 ]; then
    grep -aE '^\[  FAILED  \]|Failure|error:' "$log" | head -30
  fi
}

layer_run_gtest() {
  local layer=$1
  shift
  local name log
  name=$(basename "${@: -1}")
  log=build/logs/$layer-$name.log
  timeout 600 "$@" >"$log" 2>&1
  layer_collect "$layer" "$log"
}

layer_summary() {
  local total_p=0 total_f=0 l
  echo
  echo "summary:"
  for l in "${layer_order[@]}"; do
    printf '  %-8s %4d passed, %d failed\n' "$l" "${layer_passed[$l]}" "${layer_failed[$l]}"
    total_p=$((total_p + layer_passed[$l]))
    total_f=$((total_f + layer_failed[$l]))
  done
  echo "$total_p passed, $total_f failed"
  [ "$total_f" -eq 0 ]
}
