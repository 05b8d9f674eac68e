#!/usr/bin/env bash
# The real panel in a Wayland session, on a headless compositor of its own (sway, which can
# take keys from a virtual keyboard and close a window as a user does). Natively on Qt's
# Wayland platform with no X display at all it connects to the simulated controller by Return
# on the focused button, sends a frame by Tab and Space (Standlicht), every box confirmed by
# Return, and ends with status 0 when the compositor closes its window; through XWayland it
# is shown and ends the same way. Without Qt's Wayland platform it says in one line what to
# install.
# Usage: wayland_session.sh <lichtpult> <lichtpult-sim> <open_port>
set -euo pipefail
panel=$1 sim=$2 open_port=$3
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_SESSION_TYPE
work=$(mktemp -d)
chmod 755 "$work"
compositor="" keyboard=""
finish() {
  [ -n "$keyboard" ] && kill "$keyboard" 2>/dev/null || true
  [ -n "$compositor" ] && kill "$compositor" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
passed=0 failed=0
source "$(dirname "$0")/xvfb_lib.sh"

# The frame Standlicht sends after a connect, as the controller tells it.
side_lights="Rahmen 1: Standlicht an, Abblendlicht aus, Fernlicht aus, Blinker links aus, Blinker rechts aus, Parklicht aus, Abblendautomatik aus, Fernlichtautomatik aus, Nebelscheinwerfer aus, Nebelschlussleuchte aus, Innenraum an, Rückfahrlicht aus"

# The compositor refuses to run as root; there it runs as nobody, and root reaches its socket
# all the same. Its XWayland lets in this user, whose programs it would otherwise turn away.
as_compositor=()
[ "$(id -u)" -ne 0 ] || as_compositor=(setpriv --reuid=65534 --regid=65534 --clear-groups)
mkdir -m 700 "$work/session"
[ "$(id -u)" -ne 0 ] || chown 65534:65534 "$work/session"
cat >"$work/sway.conf" <<EOF
default_border none
xwayland enable
exec sh -c 'xhost +si:localuser:$(id -un) >/dev/null && echo "\$DISPLAY" >$work/session/display'
EOF
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 XDG_RUNTIME_DIR=$work/session \
  "${as_compositor[@]}" sway --config "$work/sway.conf" >"$work/sway.log" 2>&1 &
compositor=$!
for _ in $(seq 600); do
  SWAYSOCK=$(ls "$work"/session/sway-ipc.*.sock 2>/dev/null | head -n1) || true
  [ -n "$SWAYSOCK" ] && [ -s "$work/session/display" ] && [ -S "$work/session/wayland-1" ] && break
  kill -0 $compositor 2>/dev/null || break
  sleep 0.1
done
export SWAYSOCK
if ! swaymsg -t get_version >/dev/null 2>&1; then
  echo "FAIL: the compositor did not start:"; cat "$work/sway.log"; exit 1
fi
socket=$work/session/wayland-1
xdisplay=$(cat "$work/session/display")
# The programs' own runtime folder: the compositor's belongs to another user.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime

# One virtual keyboard for the whole run, there before any window: a keyboard that comes
# while a window has the focus reaches it only after the toolkit has caught up. The keys
# come from keyboards of their own on the same seat, each with the same keymap (every key
# the test uses, released first, which changes nothing): XWayland's X programs read a key
# with the keymap they had, so a keyboard that brought a new one would be misread.
keymap=(-p Return -p Tab -p space)
WAYLAND_DISPLAY=$socket wtype "${keymap[@]}" -s 2000000000 >/dev/null 2>&1 &
keyboard=$!
for _ in $(seq 600); do
  [ "$(swaymsg -t get_seats | jq '.[0].capabilities')" = 2 ] && break
  sleep 0.1
done
key() { WAYLAND_DISPLAY=$socket wtype "${keymap[@]}" -k "$1"; }

# The shown windows of that process, as "id title focused" lines.
windows_of() {
  swaymsg -t get_tree | jq -r --argjson pid "$1" \
    '.. | objects | select(.pid? == $pid and .visible? == true) | "\(.id) \(.name) \(.focused)"'
}

# Waits up to 60 s for a window of that title of the process to have the keyboard.
await_focused() {
  for _ in $(seq 600); do
    windows_of "$1" | grep -q " $2 true\$" && return 0
    kill -0 "$1" 2>/dev/null || { echo "the program ended before '$2' had the keyboard:"; cat "$work/err"; return 1; }
    sleep 0.1
  done
  echo "'$2' never had the keyboard; shown: $(windows_of "$1" | tr '\n' ';')"
  return 1
}

# Confirms every box the process shows, each with Return once it has the keyboard and each
# gone before the next is looked for, until none has come for a second; the count in
# $work/boxes.
confirm_all() {
  local pid=$1 quiet=0 count=0 box
  while [ $quiet -lt 10 ]; do
    box=$(windows_of "$pid" | awk '$2 != "window" && $3 == "true" {print $1; exit}')
    if [ -n "$box" ]; then
      key Return
      count=$((count + 1))
      for _ in $(seq 600); do
        windows_of "$pid" | grep -q "^$box " || break
        sleep 0.05
      done
      quiet=0
    else
      quiet=$((quiet + 1))
      sleep 0.1
    fi
  done
  echo $count >"$work/boxes"
}

# The compositor closes the panel's window as a user does: status 0, and nothing on stderr.
closed_by_the_compositor() {
  swaymsg "[pid=$1 title=\"^window\$\"] kill" >/dev/null || return 1
  ended_cleanly "$1" "$work/err" || return 1
  # Each of the test's keyboards is announced before its keymap has come (wlroots 0.18), which
  # Qt 6.8 notes as a keymap "format: 0"; a real keyboard has its keymap from the start.
  ! grep -v '^qt\.qpa\.wayland: unknown keymap format: 0$' "$work/err" | grep -q . ||
    { echo "the panel wrote the lines above"; return 1; }
}

# Natively, with no X display and no locale at all, as on a fresh system (the panel has
# nothing to say about that).
frame_on_wayland() {
  start_sim || return 1
  unset LC_ALL
  WAYLAND_DISPLAY=$socket start_panel_on Com1 "$pty"
  local pid=$panel_pid
  await_focused $pid window || return 1
  key Return   # "verbinden", focused at start
  await_held 1 || return 1
  confirm_all $pid
  key Tab; key space   # Standlicht: the port group is off while connected
  await_focused $pid lichtpult || return 1
  confirm_all $pid
  local boxes frame
  boxes=$(cat "$work/boxes")
  frame=$(sed -n 2p "$work/sim.out")
  [ "$frame" = "$side_lights" ] || { echo "the controller received '$frame'"; return 1; }
  # Each byte's character and its outcome, at least; more where a byte went again.
  [ "$boxes" -ge 56 ] || { echo "$boxes boxes confirmed"; return 1; }
  closed_by_the_compositor $pid
}

# An X program under XWayland: its window shown and given the keyboard by the compositor, and
# the compositor's close ends it with status 0. No keys: a keyboard that has just appeared
# can reach an X program under XWayland before its keymap, and its key is lost; the boxes on
# X are the X display tests' part.
started_through_xwayland() {
  DISPLAY=$xdisplay QT_QPA_PLATFORM=xcb start_panel_on Com1 "$work/nowhere"
  local pid=$panel_pid
  await_focused $pid window || return 1
  closed_by_the_compositor $pid
}

# The panel as it runs where qt6-wayland is not installed: a copy of it whose qt.conf leads
# Qt to every plugin of this machine but the Wayland platform.
without_the_wayland_platform() {
  local qt plugins=$work/plugins copy=$work/bin
  qt=$(dirname "$(find /usr/lib -path '*/qt6/plugins/platforms/libqxcb.so' -print -quit)")
  mkdir -p "$plugins/platforms" "$copy"
  for path in "$qt"/../*; do [ "${path##*/}" = platforms ] || ln -s "$(cd "$path" && pwd)" "$plugins/"; done
  for path in "$qt"/*; do case ${path##*/} in *wayland*) ;; *) ln -s "$path" "$plugins/platforms/" ;; esac; done
  cp "$panel" "$copy/lichtpult"
  printf '[Paths]\nPlugins=%s\n' "$plugins" >"$copy/qt.conf"
  local status=0
  WAYLAND_DISPLAY=$socket "$copy/lichtpult" >"$work/out" 2>"$work/err" || status=$?
  [ $status -eq 1 ] || { echo "status $status"; cat "$work/err"; return 1; }
  local expected="lichtpult: This is a Wayland session, and Qt's Wayland platform is not installed. Install it (Debian: apt install qt6-wayland), or start lichtpult on an X display."
  [ "$(cat "$work/err")" = "$expected" ] || { echo "it said:"; cat "$work/err"; return 1; }
  [ ! -s "$work/out" ] || { echo "and on stdout:"; cat "$work/out"; return 1; }
}

row "natively on Wayland, no X display: connect, a frame, closed by the compositor" frame_on_wayland
row "through XWayland: shown, closed by the compositor" started_through_xwayland
row "without Qt's Wayland platform: one line says what to install" without_the_wayland_platform
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
