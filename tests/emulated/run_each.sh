#!/usr/bin/env bash
# Runs every test of a GoogleTest program that the filter selects, each in a process of its own:
# an emulated drive's tray, lock and play clock persist for its process, as a real drive's would
# between the tests. Usage: run_each.sh PROGRAM FILTER
set -uo pipefail
program=$1
filter=$2

tests=$("$program" --gtest_list_tests --gtest_filter="$filter" | awk '
  /^[^ ]/ { suite = $1; next }
  /^  [^ ]/ { print suite $1 }')
[ -n "$tests" ] || { echo "no test selected by $filter"; exit 1; }

failed=()
count=0
for test in $tests; do
  count=$((count + 1))
  if ! output=$("$program" --gtest_filter="$test" 2>&1); then
    failed+=("$test")
    printf '%s\n' "$output"
  fi
done
echo "$count tests, ${#failed[@]} failed${failed:+: ${failed[*]}}"
[ ${#failed[@]} -eq 0 ]
