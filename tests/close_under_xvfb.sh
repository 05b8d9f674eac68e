#!/usr/bin/env bash
# The real programs on a fresh X display, closed as a window manager closes them: each must
# end by itself with status 0 and nothing of ours on stderr, and let go of its port.
# Usage: close_under_xvfb.sh <lichtpult> <lichtpult-demo> <lichtpult-sim> <wm_close> <open_port>
set -euo pipefail

if [ "${1:-}" != --inside ]; then
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x800x24 -nolisten tcp" "$0" --inside "$@"
fi
shift
panel=$1 demo=$2 sim=$3 wm_close=$4 open_port=$5
# The tools' output is read in this locale, whatever the caller's (a title with "ä" included).
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
passed=0 failed=0

# Checks inside a row end it with "|| return 1": a row runs as an if-condition, where
# errexit does not apply.

# Waits up to 60 s for a shown window of that title: only a fault takes that long, even
# with the sanitizers on a loaded machine.
await_window() {
  for _ in $(seq 600); do
    xwininfo -name "$1" 2>/dev/null | grep -q 'Map State: IsViewable' && return 0
    sleep 0.1
  done
  echo "no window titled '$1' was shown"
  return 1
}

# Waits up to 60 s for the process to end and checks how it ended.
ended_cleanly() {
  local pid=$1 errors=$2 status=0
  for _ in $(seq 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then echo "still running after the close"; return 1; fi
  wait "$pid" || status=$?
  cat "$errors"
  [ "$status" -eq 0 ] || { echo "exit status $status"; return 1; }
  if grep -Eq 'Segmentation|AddressSanitizer|LeakSanitizer|runtime error|terminate called' "$errors"; then
    echo "errors on stderr"
    return 1
  fi
}

click() { xdotool mousemove "$1" "$2" click 1; }

# Answers every box of the program (titled after it) until none has come for a second.
confirm_boxes() {
  local quiet=0
  while [ $quiet -lt 10 ]; do
    if box=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1) && [ -n "$box" ]; then
      xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
      quiet=0
    else
      quiet=$((quiet + 1))
      sleep 0.1
    fi
  done
}

start_sim() {
  "$sim" >"$work/sim.out" 2>&1 &
  sim_pid=$!
  pids+=("$sim_pid")
  for _ in $(seq 600); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
  pty=$(head -n1 "$work/sim.out")
  [ -e "$pty" ] || { echo "no terminal from the simulator"; return 1; }
  # Rows run in subshells: the simulator ends with its row, whatever the row's outcome.
  trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
}

row() {
  local name=$1
  shift
  echo "--- $name"
  if ( "$@" ); then echo "PASS: $name"; passed=$((passed + 1)); else echo "FAIL: $name"; failed=$((failed + 1)); fi
}

panel_disconnected() {
  "$panel" 2>"$work/err" &
  local pid=$!
  await_window window || return 1
  "$wm_close" window || return 1
  ended_cleanly $pid "$work/err"
}

# The panel reaches a terminal only through its fixed device names: in a mount namespace of
# its own, /dev/ttyUSB0 (Com3) is the simulator's terminal; nothing outside sees the change.
namespace=(unshare --mount)
[ "$(id -u)" -eq 0 ] || namespace=(unshare --user --map-root-user --mount)

panel_connected() {
  start_sim || return 1
  "${namespace[@]}" bash -c '
    set -e
    old=$(mktemp -d)
    mount --rbind /dev "$old"
    mount -t tmpfs lichtpult-dev /dev
    for node in null zero random urandom; do touch /dev/$node; mount --bind "$old/$node" /dev/$node; done
    mkdir /dev/pts /dev/shm
    mount --rbind "$old/pts" /dev/pts
    mount --rbind "$old/shm" /dev/shm
    ln -s pts/ptmx /dev/ptmx
    touch /dev/ttyUSB0
    mount --bind "$1" /dev/ttyUSB0
    exec "$2"' namespace "$pty" "$panel" 2>"$work/err" &
  local pid=$!
  await_window window || return 1
  click 771 200   # Com3
  click 739 330   # verbinden
  local held=0
  for _ in $(seq 600); do
    if ! "$open_port" "$pty" 2>/dev/null; then held=1; break; fi
    sleep 0.1
  done
  [ $held -eq 1 ] || { echo "the panel never held the simulator's terminal"; return 1; }
  "$wm_close" window || return 1
  ended_cleanly $pid "$work/err" || return 1
  "$open_port" "$pty" || { echo "the terminal is not free after the panel ended"; return 1; }
  kill -TERM "$sim_pid"
  wait "$sim_pid" || { echo "the simulator did not end with status 0 on SIGTERM"; return 1; }
}

demo_closed_by() {
  "$demo" 2>"$work/err" &
  local pid=$!
  await_window window || return 1
  await_window "Steuergerät (Simulation)" || return 1
  if [ "${2:-}" = frame ]; then
    click 739 330   # verbinden
    sleep 0.5
    click 511 138   # Standlicht: one frame, 56 boxes
    confirm_boxes lichtpult
  fi
  "$wm_close" "$1" || return 1
  ended_cleanly $pid "$work/err"
}

skipped=0
row "lichtpult, disconnected" panel_disconnected
# A container whose / is no mount point, or a system that gives a normal user no namespace,
# allows none: the row cannot run there.
if why=$("${namespace[@]}" mount --make-rprivate / 2>&1); then
  row "lichtpult, connected" panel_connected
else
  echo "SKIP: lichtpult, connected: needs a mount namespace of its own, which this system refuses ($why)"
  skipped=$((skipped + 1))
fi
row "lichtpult-demo, panel window closed" demo_closed_by window
row "lichtpult-demo, simulation window closed" demo_closed_by "Steuergerät (Simulation)"
row "lichtpult-demo, after a frame" demo_closed_by window frame
echo "$passed passed, $failed failed, $skipped skipped"
[ $failed -eq 0 ]
