# Sourced by the scripts that run end-to-end cases side by side (tests/install/run-install-cases.sh,
# tests/program/run-program-cases.sh).

# report_cases <scratch folder> <kind> <case...>: one PASS/FAIL line per case, from the verdict the
# case left in its folder; for a failed case, what the caller's show_failed_case <name> <folder>
# prints. Ends with a count line; fails when any case failed.
report_cases() {
  local scratch=$1 kind=$2 name case_dir failed=0
  shift 2
  for name in "$@"; do
    case_dir=$scratch/$name
    if [ -f "$case_dir/PASS" ]; then
      echo "PASS $name ($(cat "$case_dir/PASS"))"
      continue
    fi
    failed=$((failed + 1))
    echo "FAIL $name: $(cat "$case_dir/FAIL" 2>/dev/null || echo 'did not finish')"
    show_failed_case "$name" "$case_dir"
  done
  echo "$(($# - failed)) of $# $kind cases passed in $SECONDS s"
  [ "$failed" -eq 0 ]
}

# show_files <case name> <folder> <file...>: the files that are not empty, each under a heading.
show_files() {
  local name=$1 case_dir=$2 file
  shift 2
  for file in "$@"; do
    if [ -s "$case_dir/$file" ]; then
      echo "--- $name: $file"
      cat "$case_dir/$file"
    fi
  done
}
