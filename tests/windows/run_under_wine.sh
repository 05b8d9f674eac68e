#!/usr/bin/env bash
# Runs the Windows test under Wine, each scenario against a fresh simulated controller, with
# COM1 led to the controller's pseudo-terminal.
#
# Usage: run_under_wine.sh <Windows build folder> <lichtpult-sim>
#
# Whenever it starts, Wine maps each onboard serial port of the machine to a COM name, and the
# first of them may be a live console. So COM1 is fixed once, in the prefix's registry, to a symlink owned by this script
# (resting on /dev/null), which is re-pointed at each controller with an atomic rename; a
# scenario runs only when COM1 resolves to that controller's terminal.
set -euo pipefail
winbuild=$(cd "$1" && pwd)
sim=$2
exe=$winbuild/tests/windows/tst_win32.exe
link=$winbuild/com1-link
export WINEPREFIX=$winbuild/wine-prefix WINEDEBUG=-all
unset DISPLAY

point() { ln -sfn "$1" "$link.new" && mv -T "$link.new" "$link"; }
point /dev/null

if ! grep -qF "\"COM1\"=\"$link\"" "$WINEPREFIX/system.reg" 2>/dev/null; then
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$link" /f >/dev/null 2>&1
  wineserver -k || true
  wineserver -w
fi

simulator=""
work=$(mktemp -d)
finish() {
  [ -n "$simulator" ] && kill "$simulator" 2>/dev/null || true
  point /dev/null
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
# One server for all runs; its noise when it is stopped is of no interest.
wineserver -p 2>/dev/null
wine cmd /c exit >/dev/null 2>&1

passed=0 failed=0 skipped=0
tally() {
  passed=$((passed + $(grep -c '^PASS' <<<"$1" || true)))
  failed=$((failed + $(grep -c '^FAIL' <<<"$1" || true)))
  skipped=$((skipped + $(grep -c '^SKIP' <<<"$1" || true)))
}

run() {
  local scenario=$1 behaviour=$2 pty="" output
  "$sim" --behaviour "$behaviour" >"$work/sim.out" 2>&1 &
  simulator=$!
  for _ in $(seq 100); do
    pty=$(head -n 1 "$work/sim.out" 2>/dev/null || true)
    [ -n "$pty" ] && break
    sleep 0.05
  done
  point "$pty"
  local mapped resolved
  mapped=$(readlink "$WINEPREFIX/dosdevices/com1" || true)
  resolved=$(readlink -f "$WINEPREFIX/dosdevices/com1" || true)
  if [ -z "$pty" ] || [ "$mapped" != "$link" ] || [ "$resolved" != "$pty" ]; then
    output="FAIL $scenario: not run, COM1 leads to '${resolved:-nothing}' instead of the simulator's '${pty:-terminal}'"
  else
    # Into a file, waiting on the process: Wine's background processes may keep a pipe open.
    wine "$exe" "$scenario" >"$work/test.out" 2>&1 || true
    output=$(cat "$work/test.out")
    if [ "$scenario" = configure ]; then
      # The settings as Linux sees them on the terminal.
      local line
      line=$(stty -F "$pty" -a)
      if grep -q 'speed 9600 baud' <<<"$line" && grep -qw 'cs8' <<<"$line" &&
         grep -qw -- '-parenb' <<<"$line" && grep -qw -- '-cstopb' <<<"$line"; then
        output+=$'\n'"PASS the terminal shows 9600 baud, cs8, -parenb, -cstopb"
      else
        output+=$'\n'"FAIL the terminal shows: $(head -n 1 <<<"$line")"
      fi
    fi
  fi
  kill "$simulator" 2>/dev/null || true
  wait "$simulator" 2>/dev/null || true
  simulator=""
  point /dev/null
  sed "s/^/[$scenario] /" <<<"$output"
  tally "$output"
}

run configure ok
run timeouts silent
run ack ok
run never-ack silent
run reopen ok
run exclusive ok
run error-text ok

echo "Windows serial layer under Wine: $passed passed, $failed failed, $skipped skipped"
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
