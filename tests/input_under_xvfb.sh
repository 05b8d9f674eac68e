#!/usr/bin/env bash
# The real panel on a fresh X display, driven by real mouse and key input: nothing reaches
# the window while one of its boxes is open, and Return presses the focused button.
# Usage: input_under_xvfb.sh <lichtpult> <lichtpult-sim> <wm_close> <open_port>
set -euo pipefail

# -noreset: otherwise the server resets when its last client leaves, and a program started
# during the reset cannot reach it.
if [ "${1:-}" != --inside ]; then
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x800x24 -nolisten tcp -noreset" "$0" --inside "$@"
fi
shift
panel=$1 sim=$2 wm_close=$3 open_port=$4
# The tools' output is read in this locale, whatever the caller's.
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
source "$(dirname "$0")/xvfb_lib.sh"

# Boxes are centred on the panel: the button's right end stays clear of a short box.
button=(835 340)     # "verbinden" / "trennen"
standlicht=(511 138)
com2=(771 171)

# A click meant for the window must not land on the box instead.
# Usage: outside_box BOX X Y
outside_box() {
  local info x y w h
  info=$(xwininfo -id "$1")
  x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
  w=$(awk '/Width:/ {print $2}' <<<"$info")
  h=$(awk '/Height:/ {print $2}' <<<"$info")
  if [ "$2" -ge "$x" ] && [ "$2" -lt $((x + w)) ] && [ "$3" -ge "$y" ] && [ "$3" -lt $((y + h)) ]; then
    echo "the box covers $2,$3"
    return 1
  fi
}

close_panel() {
  "$wm_close" window || return 1
  ended_cleanly "$1" "$work/err"
}

# Com1, chosen at start, leads nowhere here: its open fails with one box, which covers the
# button. A click on Com2 (the simulator's terminal) while that box is open is not taken:
# the next click on the button tries Com1 again, with the same one box.
choice_during_a_box() {
  start_sim || return 1
  start_panel_on Com2 "$pty"
  local pid=$panel_pid box
  await_window window $pid || return 1
  click "${button[@]}"
  box=$(await_box $pid) || return 1
  outside_box "$box" "${com2[@]}" || return 1
  click "${com2[@]}"
  confirm_boxes $pid || return 1
  [ "$(cat "$work/titles")" = lichtpult ] || { echo "boxes:"; cat "$work/titles"; return 1; }
  click "${button[@]}"
  confirm_boxes $pid || return 1
  [ "$(cat "$work/titles")" = lichtpult ] || { echo "after the box, boxes:"; cat "$work/titles"; return 1; }
  "$open_port" "$pty" || { echo "the panel took Com2"; return 1; }
  close_panel $pid
}

# The controller hangs up at the frame's first byte. A click on "trennen" while the first
# error box is open is not taken: the frame goes on to its end, and the panel still holds
# its terminal after it.
disconnect_during_a_frame_error() {
  start_sim --behaviour hangup || return 1
  local device
  device=$(stat -c '%t:%T' "$pty")
  start_panel_on Com3 "$pty"
  local pid=$panel_pid
  await_window window $pid || return 1
  click 771 200   # Com3
  click "${button[@]}"
  await_held 1 || return 1
  clicked=0
  click_at_first_error() {
    [ $clicked -eq 0 ] && [ "$(xdotool getwindowname "$2")" != lichtpult ] || return 0
    outside_box "$2" "${button[@]}" || return 1
    click "${button[@]}"
    clicked=$1
  }
  click "${standlicht[@]}"
  confirm_boxes $pid click_at_first_error || return 1
  local count
  count=$(wc -l <"$work/titles")
  echo "$count boxes; the click came at box $clicked, titled $(sed -n "${clicked}p" "$work/titles")"
  [ $clicked -gt 0 ] && [ "$count" -gt $clicked ] || { echo "no box after the click"; return 1; }
  [ "$(tail -n1 "$work/titles")" = lichtpult ] || { echo "the last box is an error box"; return 1; }
  stat -L -c '%t:%T' /proc/$pid/fd/* 2>/dev/null | grep -qx "$device" \
    || { echo "the panel let go of its terminal"; return 1; }
  close_panel $pid
}

# Return on the focused button connects, and Return again disconnects.
return_on_the_button() {
  start_sim || return 1
  start_panel_on Com1 "$pty"   # the port chosen at start
  local pid=$panel_pid
  await_window window $pid || return 1
  xdotool search --onlyvisible --pid $pid --name '^window$' windowfocus --sync || return 1
  xdotool key Return
  await_held 1 || return 1
  xdotool key Return
  await_held 0 || return 1
  [ -z "$(shown_box $pid)" ] || { echo "a box is open"; return 1; }
  close_panel $pid
}

row "a click on Com2 while the open failure's box is open" choice_during_a_box
row "a click on trennen while a frame's error box is open" disconnect_during_a_frame_error
row "Return on the focused button" return_on_the_button
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
