#!/usr/bin/env bash
# The real programs on a fresh X display, closed as a window manager closes them: each must
# end by itself with status 0 and nothing of ours on stderr, and let go of its port.
# Usage: close_under_xvfb.sh <lichtpult> <lichtpult-demo> <lichtpult-sim> <wm_close> <open_port>
set -euo pipefail

# -noreset: otherwise the server resets when its last client leaves, and a program started
# during the reset cannot reach it.
if [ "${1:-}" != --inside ]; then
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x800x24 -nolisten tcp -noreset" "$0" --inside "$@"
fi
shift
panel=$1 demo=$2 sim=$3 wm_close=$4 open_port=$5
# The tools' output is read in this locale, whatever the caller's (a title with "ä" included).
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

source "$(dirname "$0")/xvfb_lib.sh"

panel_disconnected() {
  "$panel" 2>"$work/err" &
  local pid=$!
  row_pids+=($pid)
  await_window window $pid || return 1
  "$wm_close" window || return 1
  ended_cleanly $pid "$work/err"
}

panel_connected() {
  start_sim || return 1
  start_panel_on Com3 "$pty"
  local pid=$panel_pid
  await_window window $pid || return 1
  click 771 200   # Com3
  click 739 330   # verbinden
  await_held 1 || return 1
  "$wm_close" window || return 1
  ended_cleanly $pid "$work/err" || return 1
  "$open_port" "$pty" || { echo "the terminal is not free after the panel ended"; return 1; }
  kill -TERM "$sim_pid"
  wait "$sim_pid" || { echo "the simulator did not end with status 0 on SIGTERM"; return 1; }
}

# Wrong lines in the user's port table are said on stderr, one each, and the panel starts
# all the same; so it does, at once and without growing, when the user's table is no file a
# person wrote (a FIFO nobody writes, a link to /dev/zero, a folder): one line says so.
panel_with_port_table() {
  local kind=$1 file=$work/config/lichtpult/ports.conf expected=()
  mkdir -p "$work/config/lichtpult"
  rm -rf "$file"
  case $kind in
    wrong)
      printf 'Com3 /dev/ttyUSB2\nCom7 = /dev/ttyUSB2   # a comment\nCom1 = %s/none\n' "$work" >"$file"
      expected=("lichtpult: $file:1: die Zeile hat kein „=“; sie gilt nicht"
                "lichtpult: $file:2: „Com7“ ist kein Portname (Com1 bis Com6); die Zeile gilt nicht") ;;
    fifo) mkfifo "$file" ;;
    zero) ln -s /dev/zero "$file" ;;
    folder) mkdir "$file" ;;
  esac
  [ "$kind" = wrong ] ||
    expected=("lichtpult: $file: ist keine gewöhnliche Datei und wird übergangen; die Ports behalten ihre Geräte")
  XDG_CONFIG_HOME="$work/config" "$panel" 2>"$work/err" &
  local pid=$!
  row_pids+=($pid)
  await_window window $pid || return 1
  # The panel alone takes about 30 MB (a few hundred under the sanitizers); one that read
  # /dev/zero grew by gigabytes before it ever showed a window.
  local peak
  peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
  [ "$peak" -lt 1000000 ] || { echo "the panel grew to $peak kB"; return 1; }
  "$wm_close" window || return 1
  ended_cleanly $pid "$work/err" || return 1
  [ "$(grep -c "^lichtpult: $file" "$work/err")" -eq ${#expected[@]} ] || { echo "not ${#expected[@]} lines about the port table"; return 1; }
  local line
  for line in "${expected[@]}"; do
    grep -qxF "$line" "$work/err" || { echo "not said: $line"; return 1; }
  done
  rm -rf "$file"
}

demo_closed_by() {
  "$demo" 2>"$work/err" &
  local pid=$!
  row_pids+=($pid)
  await_window window $pid || return 1
  await_window "Steuergerät (Simulation)" $pid || return 1
  if [ "${2:-}" = frame ]; then
    click 739 330   # verbinden: the click below is taken after this one's handler
    click 511 138   # Standlicht: one frame, at least 56 boxes (more where a loaded machine
                    # keeps the demo's controller from answering in time, and a byte goes again)
    confirm_boxes $pid || return 1
    [ "$(wc -l <"$work/titles")" -ge 56 ] || { echo "$(wc -l <"$work/titles") boxes"; return 1; }
  fi
  "$wm_close" "$1" || return 1
  ended_cleanly $pid "$work/err"
}

row "lichtpult, disconnected" panel_disconnected
row "lichtpult, connected" panel_connected
row "lichtpult, a port table with wrong lines" panel_with_port_table wrong
row "lichtpult, a FIFO as the port table" panel_with_port_table fifo
row "lichtpult, a link to /dev/zero as the port table" panel_with_port_table zero
row "lichtpult, a folder as the port table" panel_with_port_table folder
row "lichtpult-demo, panel window closed" demo_closed_by window
row "lichtpult-demo, simulation window closed" demo_closed_by "Steuergerät (Simulation)"
row "lichtpult-demo, after a frame" demo_closed_by window frame
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
