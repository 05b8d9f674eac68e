# What the X display scripts share: waiting for windows and processes, the mouse, the
# simulator, rows, and a panel whose fixed device names lead to a terminal of the test's.
# Sourced once `work` (a scratch folder) is set.

# Checks inside a row end it with "|| return 1": a row runs as an if-condition, where
# errexit does not apply.

# Waits up to 60 s for a shown window of that title from the program with that pid: only a
# fault takes that long, even with the sanitizers on a loaded machine. A program that ended
# instead is said, with its status and what it wrote.
await_window() {
  local title=$1 pid=$2 status=0
  for _ in $(seq 600); do
    xwininfo -name "$title" 2>/dev/null | grep -q 'Map State: IsViewable' && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "no window titled '$title' was shown; the program runs on"
  else
    wait "$pid" || status=$?
    echo "the program ended with status $status before a window titled '$title' was shown:"
    cat "$work/err"
  fi
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

# The shown box of the program with that pid (any window of it but the panel's and the
# simulated controller's), or nothing.
shown_box() {
  local id
  for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
    case "$(xdotool getwindowname "$id" 2>/dev/null)" in
      window | "Steuergerät (Simulation)") ;;
      *) echo "$id"; return 0 ;;
    esac
  done
}

# Waits up to 60 s for a box of the program with that pid and prints its window id.
await_box() {
  local box
  for _ in $(seq 600); do
    box=$(shown_box "$1")
    [ -n "$box" ] && { echo "$box"; return 0; }
    sleep 0.1
  done
  echo "no box was shown" >&2
  return 1
}

# Answers a box with Return and waits until it has gone, so the next key cannot reach the
# window below it.
confirm_box() {
  xdotool windowfocus --sync "$1" key Return 2>/dev/null || true
  for _ in $(seq 600); do
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable' || return 0
    sleep 0.1
  done
  echo "the box did not close"
  return 1
}

# Answers every box of the program with that pid until none has come for a second, and
# writes each box's title, one a line, to $work/titles. With a function as the second
# argument, it is called with the box's number and window id before each box is answered.
confirm_boxes() {
  local pid=$1 before=${2:-} quiet=0 count=0 box
  : >"$work/titles"
  while [ $quiet -lt 10 ]; do
    box=$(shown_box "$pid")
    if [ -n "$box" ]; then
      count=$((count + 1))
      xdotool getwindowname "$box" >>"$work/titles"
      [ -z "$before" ] || "$before" "$count" "$box" || return 1
      confirm_box "$box" || return 1
      quiet=0
    else
      quiet=$((quiet + 1))
      sleep 0.1
    fi
  done
}

start_sim() {
  # Gone before the new one starts: the last row's path must not be read as this one's.
  rm -f "$work/sim.out"
  "$sim" "$@" >"$work/sim.out" 2>&1 &
  sim_pid=$!
  row_pids+=("$sim_pid")
  for _ in $(seq 600); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
  pty=$(head -n1 "$work/sim.out")
  [ -e "$pty" ] || { echo "no terminal from the simulator"; return 1; }
}

# Each row runs in a subshell; whatever it started (listed in row_pids) ends with it, so a
# failed row leaves no window behind for the next one to click on.
row() {
  local name=$1
  shift
  echo "--- $name"
  if ( row_pids=(); trap 'kill "${row_pids[@]}" 2>/dev/null || true' EXIT; "$@" ); then
    echo "PASS: $name"; passed=$((passed + 1))
  else
    echo "FAIL: $name"; failed=$((failed + 1))
  fi
}

# Starts the panel with its port table (the user's file, through XDG_CONFIG_HOME) leading
# that port name to the terminal and every other one to a device that is not there, never to
# the machine's own ports; stderr to $work/err, its pid in panel_pid.
# Usage: start_panel_on PORT TERMINAL
start_panel_on() {
  mkdir -p "$work/config/lichtpult"
  local port
  for port in Com1 Com2 Com3 Com4 Com5 Com6; do
    if [ "$port" = "$1" ]; then echo "$port = $2"; else echo "$port = $work/no-$port"; fi
  done >"$work/config/lichtpult/ports.conf"
  XDG_CONFIG_HOME="$work/config" "$panel" 2>"$work/err" &
  panel_pid=$!
  row_pids+=("$panel_pid")
}

# Waits up to 60 s until the panel holds the terminal (1) or has let go of it (0).
await_held() {
  local want=$1 held
  for _ in $(seq 600); do
    if "$open_port" "$pty" 2>/dev/null; then held=0; else held=1; fi
    [ $held -eq "$want" ] && return 0
    sleep 0.1
  done
  [ "$want" -eq 1 ] && echo "the panel never held the simulator's terminal" || echo "the panel kept the terminal"
  return 1
}
