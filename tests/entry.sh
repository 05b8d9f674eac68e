#!/usr/bin/env bash
# The program entry as written in app/main.cpp, with a window that throws on construction or
# closes itself: the entry shows what was thrown and returns 0 in every case, and the window
# is released before the program ends. Usage: entry.sh <entry_check>
set -uo pipefail
program=$1
export QT_QPA_PLATFORM=offscreen
passed=0 failed=0
row() {
  local name=$1 throws=$2 expected=$3 output status
  output=$(LICHTPULT_ENTRY_THROWS=$throws "$program" 2>/dev/null)
  status=$?
  if [ $status -eq 0 ] && [ "$output" = "$expected" ]; then
    echo "PASS: $name"; passed=$((passed + 1))
  else
    echo "FAIL: $name: status $status, output:"; echo "$output"; failed=$((failed + 1))
  fi
}
row "window closed" none "released"
row "Exception thrown" exception "!lichtpult: kaputt"
row "something else thrown" other "!lichtpult: "
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
