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

# Adds the counts of a GoogleTest JSON report; a missing or unreadable report
# (a crash, a hang cut short) counts as one failure, and so does a non-zero
# exit code beside a report without failures.
layer_collect_json() {
  local layer=$1 json=$2 log=$3 status=${4:-0} counts passed=0 failed=0
  if counts=$(python3 tests/gtest_counts.py "$json" 2>/dev/null); then
    read -r passed failed <<<"$counts"
  else
    failed=1
    echo "$layer: $log ended without a test report"
  fi
  if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
    failed=1
    echo "$layer: $log: exit code $status"
  fi
  layer_passed[$layer]=$((layer_passed[$layer] + passed))
  layer_failed[$layer]=$((layer_failed[$layer] + failed))
  if [ "$failed" -gt 0 ]; then
    grep -aE '^\[  FAILED  \]|Failure|error:' "$log" | head -30
  fi
}

# Runs a GoogleTest program (natively, or as "wine program.exe") with its log
# and its JSON report in build/logs.
layer_run_gtest() {
  local layer=$1
  shift
  local name log json report status
  name=$(basename "${@: -1}")
  log=build/logs/$layer-$name.log
  json=$(realpath -m "build/logs/$layer-$name.json")
  rm -f "$json"
  report=$json
  [ "$1" = wine ] && report="Z:${json//\//\\}"
  timeout 600 "$@" --gtest_output="json:$report" >"$log" 2>&1
  status=$?
  layer_collect_json "$layer" "$json" "$log" "$status"
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
