#!/usr/bin/env bash
# Starts the built panel on a fresh X display and checks that its window is shown where and
# as large as its layout says. Usage: start_under_xvfb.sh <lichtpult>
set -euo pipefail
# The tools' output is read in this locale, whatever the caller's (a title with "ä" included).
export LC_ALL=C.UTF-8

# -noreset: otherwise the server resets when its last client leaves, and a program started
# during the reset cannot reach it.
if [ "${1:-}" != --inside ]; then
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1024x768x24 -nolisten tcp -noreset" "$0" --inside "$@"
fi
program=$2
export QT_QPA_PLATFORM=xcb

check() {
  "$program" &
  local app=$! info=""
  trap 'kill $app 2>/dev/null || true' RETURN
  # The window appears asynchronously; up to 60 s on a loaded machine.
  for _ in $(seq 600); do
    if info=$(xwininfo -name window 2>/dev/null) && grep -q 'Map State: IsViewable' <<<"$info"; then
      break
    fi
    sleep 0.1
  done
  echo "$info"
  grep -q 'Map State: IsViewable' <<<"$info" || { echo "no window titled 'window' was shown"; return 1; }
  grep -q 'Width: 386' <<<"$info" && grep -q 'Height: 276' <<<"$info" || { echo "wrong size"; return 1; }
  grep -q 'Absolute upper-left X:  475' <<<"$info" && grep -q 'Absolute upper-left Y:  106' <<<"$info" \
    || { echo "wrong position"; return 1; }
  # The layout is fixed: the size hints give a window manager nothing to resize or maximise.
  local hints
  hints=$(LC_ALL=C xprop -name window WM_NORMAL_HINTS)
  echo "$hints"
  grep -q 'minimum size: 386 by 276' <<<"$hints" && grep -q 'maximum size: 386 by 276' <<<"$hints" \
    || { echo "the window can be resized"; return 1; }
  kill -0 $app || { echo "the program ended on its own"; return 1; }
  echo "1 passed, 0 failed"
}

check
