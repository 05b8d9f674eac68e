#!/usr/bin/env bash
# Runs the Windows tests under Wine, each scenario against a fresh simulated controller, with
# COM1 led to the controller's pseudo-terminal: first the lower libraries' test (no display),
# then, on a private Xvfb display, the toolkit's change of scale and the real lichtpult.exe,
# driven as a user would by lichtpult-drive.exe (finally at 144 and 192 dpi too), with PNGs
# of the window and of a box in <Windows build folder>/shots.
#
# Usage: run_under_wine.sh <Windows build folder> <lichtpult-sim> <lichtpult-grab>
#
# COM12, a number no onboard port gets here, is fixed the same way to a second symlink of the
# script's, which follows COM1's, so a port table can lead a name to the controller through a
# number beyond COM9.
# Whenever it starts, Wine maps each onboard serial port of the machine to a COM name, and the
# first of them may be a live console. So COM1 is fixed once, in the prefix's registry, to a
# symlink owned by this script (resting on /dev/null), which is re-pointed at each controller
# with an atomic rename. COM2 … COM6 are fixed to an empty folder, which no serial call can
# open, so "Com2" leads nowhere (an empty or missing target would still open under Wine, and
# Wine gives the machine's own ports names from COM7 on, which the panel never offers). A
# scenario runs only when COM1 resolves to that controller's terminal and every other name
# the panel offers to that folder.
set -euo pipefail
# Wine and the tools as CI runs them, whatever the caller's locale: Wine's code page follows it.
export LC_ALL=C
winbuild=$(cd "$1" && pwd)
sim=$2
grab=$3
line_settings=$(dirname "$grab")/line_settings
exe=$winbuild/tests/windows/tst_win32.exe
panel=$winbuild/app/lichtpult.exe
driver=$winbuild/tests/windows/lichtpult-drive.exe
link=$winbuild/com1-link
link12=$winbuild/com12-link
nowhere=$winbuild/com-nowhere
shots=$winbuild/shots
export WINEPREFIX=$winbuild/wine-prefix WINEDEBUG=-all
unset DISPLAY

point() {
  ln -sfn "$1" "$link.new" && mv -T "$link.new" "$link"
  ln -sfn "$1" "$link12.new" && mv -T "$link12.new" "$link12"
}
point /dev/null
mkdir -p "$nowhere"

simulator="" xvfb="" drive="" userTables="" machineTables=""
work=$(mktemp -d)
finish() {
  [ -n "$userTables" ] && rm -rf "$userTables" "$machineTables"
  [ -n "$drive" ] && kill "$drive" 2>/dev/null || true
  [ -n "$simulator" ] && kill "$simulator" 2>/dev/null || true
  point /dev/null
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

passed=0 failed=0 skipped=0
tally() {
  passed=$((passed + $(grep -c '^PASS' <<<"$1" || true)))
  failed=$((failed + $(grep -c '^FAIL' <<<"$1" || true)))
  skipped=$((skipped + $(grep -c '^SKIP' <<<"$1" || true)))
}

# A test program's lines under its name, counted; one that ended badly without saying so fails.
report() {
  local name=$1 output=$2 status=$3
  [ "$status" -eq 0 ] || grep -q '^FAIL' <<<"$output" || output+=$'\n'"FAIL the program ended with status $status"
  sed "s/^/[$name] /" <<<"$output"
  tally "$output"
}

# A step of this script's own in Wine: the registry, the server, the first start on a display.
# One that fails is a failure of the run, shown with the last lines Wine printed, and the run
# goes on to its summary. Its output goes to a file of its own, not a pipe: a server or a
# service it starts lives on, would hold a pipe open, and goes on writing to that file.
step() {
  local status=0 out
  out=$(mktemp "$work/step.XXXXXX")
  WINEDEBUG=-all,err+all "$@" >"$out" 2>&1 </dev/null || status=$?
  if [ "$status" -ne 0 ]; then
    report "$1" "FAIL $* ended with status $status"$'\n'"$(tail -n 5 "$out")" 0
  fi
}

configured() {
  grep -qF "\"COM1\"=\"$link\"" "$WINEPREFIX/system.reg" 2>/dev/null &&
    grep -qF "\"COM12\"=\"$link12\"" "$WINEPREFIX/system.reg" &&
    grep -qF "\"COM6\"=\"$nowhere\"" "$WINEPREFIX/system.reg" &&
    grep -qF '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null
}
if ! configured; then
  step wineboot -i
  step wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$link" /f
  step wine reg add 'HKLM\Software\Wine\Ports' /v COM12 /d "$link12" /f
  for n in 2 3 4 5 6; do step wine reg add 'HKLM\Software\Wine\Ports' /v COM$n /d "$nowhere" /f; done
  # Without a window manager Wine otherwise waits about 2 s at every hidden or destroyed window.
  step wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
  wineserver -k || true
  wineserver -w
fi

# Starts a controller and leads COM1 to it; fails, saying why, when COM1 or any other name
# the panel offers leads elsewhere. Not in a subshell: $simulator is the caller's.
simulate() {
  local behaviour=$1 pty=""
  if [ "$behaviour" = none ]; then
    # No controller: COM1 stays on /dev/null, a device that opens but is no serial port.
    for n in 1 12; do
      if [ "$(readlink -f "$WINEPREFIX/dosdevices/com$n")" != /dev/null ]; then
        echo "COM$n leads to '$(readlink -f "$WINEPREFIX/dosdevices/com$n")' instead of /dev/null"
        return 1
      fi
    done
    echo /dev/null >"$work/pty"
    return 0
  fi
  # Gone before the new one starts: the last scenario's path must not be read as this one's.
  rm -f "$work/sim.out"
  "$sim" --behaviour "$behaviour" --exchanges "$work/exchanges" >"$work/sim.out" 2>&1 &
  simulator=$!
  # Up to 60 s: only a fault takes that long, even on a loaded machine.
  for _ in $(seq 1200); do
    pty=$(head -n 1 "$work/sim.out" 2>/dev/null || true)
    [ -n "$pty" ] && break
    sleep 0.05
  done
  [ -n "$pty" ] || { echo "no terminal from the simulator"; return 1; }
  point "$pty"
  local mapped resolved n
  mapped=$(readlink "$WINEPREFIX/dosdevices/com1" || true)
  resolved=$(readlink -f "$WINEPREFIX/dosdevices/com1" || true)
  if [ "$mapped" != "$link" ] || [ "$resolved" != "$pty" ]; then
    echo "COM1 leads to '${resolved:-nothing}' instead of the simulator's '$pty'"
    return 1
  fi
  mapped=$(readlink "$WINEPREFIX/dosdevices/com12" || true)
  resolved=$(readlink -f "$WINEPREFIX/dosdevices/com12" || true)
  if [ "$mapped" != "$link12" ] || [ "$resolved" != "$pty" ]; then
    echo "COM12 leads to '${resolved:-nothing}' instead of the simulator's '$pty'"
    return 1
  fi
  for n in 2 3 4 5 6; do
    if [ "$(readlink -f "$WINEPREFIX/dosdevices/com$n")" != "$nowhere" ]; then
      echo "COM$n leads to '$(readlink -f "$WINEPREFIX/dosdevices/com$n")' instead of '$nowhere'"
      return 1
    fi
  done
  echo "$pty" >"$work/pty"
}

unsimulate() {
  [ -n "$simulator" ] && { kill "$simulator" 2>/dev/null || true; wait "$simulator" 2>/dev/null || true; }
  simulator=""
  point /dev/null
}

# Who else holds the terminal open: nobody, once the panel is gone.
holders() {
  local pty=$1 fd
  for fd in /proc/[0-9]*/fd/*; do
    if [ "$(readlink "$fd" 2>/dev/null)" = "$pty" ]; then echo "${fd%/fd/*}"; fi
  done | sort -u | tr '\n' ' '
}

# ---- The lower libraries, without a display --------------------------------------------------

# One server for all runs.
step wineserver -p
step wine cmd /c exit

# Where the program looks for the port tables of the prefix's user and of the machine, as
# Windows names the folders. None of the files is there but while a row of its own runs.
folderOf() {
  wine cmd /c echo "%$1%" >"$work/folder" 2>/dev/null </dev/null || true
  winepath -u "$(tr -d '\r' <"$work/folder")" >"$work/folder.unix" 2>/dev/null </dev/null || true
  cat "$work/folder.unix"
}
userTables=$(folderOf APPDATA)/lichtpult
machineTables=$(folderOf ProgramData)/lichtpult
if [[ $userTables != "$WINEPREFIX"/* || $machineTables != "$WINEPREFIX"/* ]]; then
  report tables "FAIL the table folders are not in the prefix: '$userTables', '$machineTables'" 0
  userTables=$work/none/user machineTables=$work/none/machine
fi
rm -rf "$userTables" "$machineTables"

run() {
  local scenario=$1 behaviour=$2 output
  shift 2
  # What follows is the test's environment, VAR=value each.
  if ! simulate "$behaviour" >"$work/why"; then
    output="FAIL $scenario: not run, $(cat "$work/why")"
  else
    local pty
    pty=$(cat "$work/pty")
    # Into a file, waiting on the process: Wine's background processes may keep a pipe open.
    env "$@" wine "$exe" "$scenario" >"$work/test.out" 2>&1 || true
    output=$(cat "$work/test.out")
    if [ "$scenario" = configure ]; then
      # The settings as the kernel holds them on the terminal. Wine 10 sets the speed as a
      # number (BOTHER), which stty reads as "speed 0 baud"; TCGETS2 reads it either way.
      local line
      line=$("$line_settings" "$pty" 2>&1) || true
      if [[ $line == "speed 9600 baud ("*") cs8 -parenb -cstopb" ]]; then
        output+=$'\n'"PASS the terminal's line: $line"
      else
        output+=$'\n'"FAIL the terminal's line: $line"
      fi
    fi
  fi
  unsimulate
  sed "s/^/[$scenario] /" <<<"$output"
  tally "$output"
}

# LICHTPULT_WINE_SCENARIOS="start-up keyboard" runs only those scenarios of the program;
# "bench" the figures.
only=${LICHTPULT_WINE_SCENARIOS:-}
if [ -z "$only" ]; then
run configure ok
run timeouts silent
run ack ok
run never-ack silent
run reopen ok
run exclusive ok
run error-text ok
# Unix file names in UTF-8, so a table's folder can have a name the ANSI code page lacks.
run tables none LC_ALL=C.UTF-8
fi

# ---- The program on a display of its own -----------------------------------------------------

# Wine draws at the prefix's display scale from its next start on.
scaleTo() {
  step wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

# A private X display of this size, in place of the last one.
display() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -f "$work/display"
  # -noreset: otherwise the server resets when its last client leaves, and a program started
  # during the reset cannot reach it.
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
  export DISPLAY=:$(cat "$work/display")
  step wineserver -p
  step wine cmd /c exit
}

# A run stopped during the scaling scenarios leaves the prefix at their scale.
if grep -q '"LogPixels"=dword:' "$WINEPREFIX/user.reg" &&
   ! grep -q '"LogPixels"=dword:00000060' "$WINEPREFIX/user.reg"; then
  scaleTo 96
fi
display 1024x768
mkdir -p "$shots"

# The toolkit follows a change of scale (a window moved to another monitor), in one process.
if [ -z "$only" ]; then
  wine "$winbuild/tests/windows/tst_scale.exe" >"$work/test.out" 2>&1 && status=0 || status=$?
  report "scale change" "$(cat "$work/test.out")" "$status"
fi

frameLine() { # the controller's line for a frame with these lights on
  local on=" $* " line="" name
  for name in Standlicht Abblendlicht Fernlicht "Blinker links" "Blinker rechts" Parklicht \
              Abblendautomatik Fernlichtautomatik Nebelscheinwerfer Nebelschlussleuchte Innenraum \
              "Rückfahrlicht"; do
    [ -n "$line" ] && line+=", "
    if [[ "$on" == *" ${name// /_} "* ]]; then line+="$name an"; else line+="$name aus"; fi
  done
  echo "Rahmen 1: $line"
}

# The frames the controller has printed, below its first line (the terminal's path).
decoded() { tail -n +2 "$work/sim.out"; }

# Answers the driver's requests until it ends; its own PASS/FAIL lines go with the driver's.
answer() {
  local scenario=$1 sync=$2 request name stalled=
  while kill -0 "$drive" 2>/dev/null; do
    for request in "$sync"/*.request; do
      [ -e "$request" ] || continue
      name=$(basename "$request" .request)
      rm -f "$request"
      case $name in
        window|box)
          if "$grab" "$shots/$scenario-$name.png" >/dev/null 2>&1; then
            echo "PASS a picture: shots/$scenario-$name.png"
          else
            echo "FAIL no picture of the $name"
          fi ;;
        connected)
          if [ -z "$(decoded)" ]; then
            echo "PASS the controller received no frame"
          else
            echo "FAIL the controller received: $(decoded)"
          fi ;;
        frame)
          local expected
          case $scenario in
            # The side lights' frame, then the dipped beam's.
            dipped-beam) expected=$(frameLine Standlicht Innenraum)$'\n'$(frameLine Abblendlicht Innenraum)
                         expected=${expected/$'\n'Rahmen 1/$'\n'Rahmen 2} ;;
            *) expected=$(frameLine Standlicht Innenraum) ;;
          esac
          if [ "$(decoded)" = "$expected" ]; then
            echo "PASS the controller decoded: ${expected//$'\n'/; }"
          else
            echo "FAIL the controller decoded: '$(decoded)', not '$expected'"
          fi ;;
        hangup)
          # The controller goes away, as an adapter pulled out: its terminal hangs up.
          unsimulate ;;
        stall)
          # The controller stops for a while, as a process the machine does not get round to.
          kill -STOP "$simulator"
          stalled=1 ;;
        late-*)
          # An unacknowledged send of a prompt controller: honest only when its answer (the
          # controller's bytes up to twice the send's number) left after the earliest moment
          # the panel's wait can have ended (the driver's key on the byte's box, plus eleven
          # pauses of 1 ms). Both moments are on the raw monotonic clock, in microseconds.
          if [ -n "$stalled" ]; then kill -CONT "$simulator"; stalled=""; fi
          local rest=${name#late-} send ended answered=""
          send=${rest%-*} ended=${rest#*-}
          for _ in $(seq 500); do
            answered=$(awk -v n="$send" '$2 == "out" { total += $3; if (total >= 2 * n) { print $1; exit } }' \
                         "$work/exchanges")
            [ -n "$answered" ] && break
            sleep 0.02
          done
          if [ -z "$answered" ]; then
            echo "FAIL send $send went unacknowledged, and the controller never answered it"
          elif [ "$answered" -gt "$ended" ]; then
            echo "PASS send $send: its answer left $(( (answered - ended) / 1000 )) ms after the panel's wait could end, a late answer, sent again"
          else
            echo "FAIL send $send went unacknowledged, though its answer left $(( (ended - answered) / 1000 )) ms before the panel's wait could end"
          fi ;;
        listed-*|unlisted-*)
          # A port the system lists from now on, or no longer: an adapter plugged in, pulled out.
          local port=${name#*listed-} value='\Device\lichtpult'
          if [[ $name == listed-* ]]; then
            wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "$value" /d "$port" /f >"$work/reg.out" 2>&1 </dev/null
          else
            wine reg delete 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "$value" /f >"$work/reg.out" 2>&1 </dev/null
          fi || echo "FAIL reg could not change the system's list of ports: $(tr -d '\r' <"$work/reg.out" | head -c 300)" ;;
        mapped-*)
          # Wine calls a window visible before X has mapped it; a click waits for the map.
          local id=0x${name#mapped-} viewable=""
          for _ in $(seq 3000); do
            if LC_ALL=C xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
              viewable=1
              break
            fi
            sleep 0.02
          done
          [ -n "$viewable" ] || echo "FAIL X never mapped the window $id" ;;
      esac
      touch "$sync/$name.done"
    done
    sleep 0.02
  done
}

drive() {
  local scenario=$1 behaviour=$2 output pty sync status=0
  shift 2
  # What follows is the driver's environment, VAR=value each: the program inherits it.
  [ -z "$only" ] || [[ " $only " == *" $scenario "* ]] || return 0
  if ! simulate "$behaviour" >"$work/why"; then
    output="FAIL $scenario: not run, $(cat "$work/why")"
  else
    pty=$(cat "$work/pty")
    sync=$work/sync-$scenario
    mkdir -p "$sync"
    env "$@" wine "$driver" "$scenario" "$(winepath -w "$panel")" "$(winepath -w "$sync")" \
      >"$work/drive.out" 2>&1 &
    drive=$!
    answer "$scenario" "$sync" >"$work/answers.out"
    wait "$drive" && status=0 || status=$?
    drive=""
    output=$(cat "$work/drive.out" "$work/answers.out")
    # A terminal that hung up is gone, and its name may already be another's.
    if [ -n "$simulator" ] && [ "$pty" != /dev/null ]; then
      local held
      held=$(holders "$pty")
      if [ -z "$held" ]; then
        output+=$'\n'"PASS the terminal is free again"
      else
        output+=$'\n'"FAIL the terminal is still held by $held"
      fi
    fi
  fi
  unsimulate
  report "$scenario" "$output" "$status"
}

drive start-up ok
drive connect ok
drive dipped-beam ok
drive silent silent
drive com2 ok
drive hang-up ok
drive keyboard ok
drive set-up-errors none
drive late-answer ok
drive close ok
# Wine takes the system's code page and its language from the locale: Russian is Windows-1251,
# Japanese 932. The locales are made in the scratch folder, so the machine needs none installed.
mkdir -p "$work/locales"
for language in ru_RU ja_JP; do
  localedef -i $language -f UTF-8 "$work/locales/$language.UTF-8" 2>/dev/null || true
done
drive code-page ok -u LC_ALL LOCPATH="$work/locales" LANG=ru_RU.UTF-8
# The system's words in the error box, in two scripts the code page of the program's texts lacks.
for language in ru_RU ja_JP; do
  drive system-words none -u LC_ALL LOCPATH="$work/locales" LANG=$language.UTF-8
done
drive manifest ok

# A port table's file: empty for none, "folder" for a folder in its place, else its bytes.
table() {
  rm -rf "$1"
  case $2 in
    "") ;;
    folder) mkdir -p "$1/ports.conf" ;;
    *) mkdir -p "$1" && printf '%s' "$2" >"$1/ports.conf" ;;
  esac
}
# A row: the machine's table and the user's, then the driver's environment: the port it
# chooses and whether that connects to the controller (through COM12) or fails to open. The
# files go again after the row.
tabled() {
  local scenario=$1
  [ -z "$only" ] || [[ " $only " == *" $scenario "* ]] || return 0
  table "$machineTables" "$2"
  table "$userTables" "$3"
  shift 3
  drive "$scenario" ok "$@"
  rm -rf "$machineTables" "$userTables"
}
tabled table-user "" $'Com3 = COM12\n' LICHTPULT_DRIVE_PORT=3 LICHTPULT_DRIVE_OUTCOME=connects
tabled table-none "" "" LICHTPULT_DRIVE_PORT=3 LICHTPULT_DRIVE_OUTCOME=fails
tabled table-machine $'Com3 = COM12\n' "" LICHTPULT_DRIVE_PORT=3 LICHTPULT_DRIVE_OUTCOME=connects
# The user's entry wins, and a device path opens as well as a port's number.
tabled table-both $'Com4 = COM5\n' $'Com4 = \\\\.\\COM12\n' LICHTPULT_DRIVE_PORT=4 LICHTPULT_DRIVE_OUTCOME=connects
# The tooltips: a wrong line (the first, behind a byte order mark), a port the system does not
# list, one it does, with Windows' line ends; a folder in the machine's file's place. COM12's
# adapter is in Device Manager's list of ports as a USB driver puts it there.
adapter='HKLM\System\CurrentControlSet\Enum\USB\VID_1A86&PID_7523'
if [ -z "$only" ] || [[ " $only " == *" table-hints "* ]]; then
  step wine reg add "$adapter\lichtpult" /v ClassGUID /d '{4d36e978-e325-11ce-bfc1-08002be10318}' /f
  step wine reg add "$adapter\lichtpult" /v FriendlyName /d 'USB-SERIAL CH340 (COM12)' /f
  step wine reg add "$adapter\lichtpult\Device Parameters" /v PortName /d COM12 /f
  tabled table-hints folder $'\xEF\xBB\xBFCom5 = /dev/ttyUSB0\r\nCom6 = COM77   # nicht angeschlossen\r\nCom3 = COM12\r\n'
  step wine reg delete "$adapter" /f
fi
# The figures (scripts/bench-windows), only when asked for.
if [[ " $only " == *" bench "* ]]; then drive bench ok; fi

# ---- The program at other display scales -----------------------------------------------------
# The screen grows with the scale, as a monitor set to 150 % or 200 % has the pixels for it.
scaled=""
for dpi in 96 144 192; do
  if [ -z "$only" ] || [[ " $only " == *" scale-$dpi "* ]]; then
    scaleTo "$dpi"
    display "$((1024 * dpi / 96))x$((768 * dpi / 96))"
    drive "scale-$dpi" ok
    scaled=1
  fi
done
if [ -n "$scaled" ]; then scaleTo 96; fi

echo "Windows build under Wine: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
