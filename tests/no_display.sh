#!/usr/bin/env bash
# Without a display to show their windows on, the programs say so in one line, with the way
# on, and end with status 1: no abort, no core dump.
# Usage: no_display.sh <program>...
set -uo pipefail
passed=0 failed=0
row() {
  local name=$1 program=$2 output status
  shift 2
  output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" "$program" 2>&1 </dev/null)
  status=$?
  if [ $status -eq 1 ] && [ "$(wc -l <<<"$output")" -eq 1 ] && grep -q "xvfb-run $(basename "$program")" <<<"$output"; then
    echo "PASS: $name"; passed=$((passed + 1))
  else
    echo "FAIL: $name: status $status, output:"; echo "$output"; failed=$((failed + 1))
  fi
}
for program in "$@"; do
  row "$(basename "$program"), no display set" "$program"
  row "$(basename "$program"), display set but not there" "$program" DISPLAY=:987
done
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
