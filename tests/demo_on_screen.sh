#!/usr/bin/env bash
# Starts the real lichtpult-demo on X screens of three sizes at scale factor 1.5 and checks
# that both its windows lie wholly on the screen, the panel unmoved where it fits and the
# windows side by side where there is room; writes a screenshot of each screen.
# Usage: demo_on_screen.sh <lichtpult-demo> <lichtpult-grab> <folder for the screenshots>
set -euo pipefail
# The tools' output is read in this locale, whatever the caller's (a title with "ä" included).
export LC_ALL=C.UTF-8

# Screen, the panel at its own place (475,106 scaled), the windows apart.
screens=(
  "1024x768  no  no"
  "1280x800  no  yes"
  "1920x1080 yes yes"
)

if [ "${1:-}" != --inside ]; then
  mkdir -p "$3"
  failed=0
  for row in "${screens[@]}"; do
    read -r size stays apart <<<"$row"
    echo "== $size at scale factor 1.5"
    xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 ${size}x24 -nolisten tcp -noreset" "$0" --inside "$size" "$stays" "$apart" "$@" \
      || failed=$((failed + 1))
  done
  echo "$(( ${#screens[@]} - failed )) passed, $failed failed"
  exit $(( failed > 0 ))
fi
size=$2 stays=$3 apart=$4 demo=$5 grab=$6 folder=$7
width=${size%x*} height=${size#*x}
export QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1.5

"$demo" &
app=$!
trap 'kill $app 2>/dev/null || true' EXIT

# Without a window manager a window has no frame: its geometry is all of it.
frame() {  # title -> "x y width height" of the viewable top-level window, or nothing
  local id info
  id=$(xwininfo -root -children | awk -v title="\"$1\":" '$2 == title || index($0, title) { print $1; exit }')
  [ -n "$id" ] || return 0
  info=$(xwininfo -id "$id")
  grep -q 'Map State: IsViewable' <<<"$info" || return 0
  awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
       /^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print x, y, w, h}' <<<"$info"
}

panel="" controller=""
for _ in $(seq 600); do   # the windows appear asynchronously: up to 60 s on a loaded machine
  panel=$(frame window) controller=$(frame "Steuergerät (Simulation)")
  [ -n "$panel" ] && [ -n "$controller" ] && break
  sleep 0.1
done
echo "panel: $panel; controller's window: $controller (x y width height)"
[ -n "$panel" ] && [ -n "$controller" ] || { echo "FAIL: the two windows were not both shown"; exit 1; }

"$grab" "$folder/demo-$size.png" | tee /tmp/grab.$$
grep -q "(${width}x${height})" /tmp/grab.$$ || { rm -f /tmp/grab.$$; echo "FAIL: the screenshot is not the whole screen"; exit 1; }
rm -f /tmp/grab.$$

fail=0
for name in panel controller; do
  read -r x y w h <<<"${!name}"
  if (( x < 0 || y < 0 || x + w > width || y + h > height )); then
    echo "FAIL: the $name window reaches beyond the ${width}x${height} screen"; fail=1
  fi
done
read -r px py pw ph <<<"$panel"
read -r cx cy cw ch <<<"$controller"
# 475,106 at 1.5 is 712.5,159: either pixel of the rounding.
if [ "$stays" = yes ] && { (( px < 712 || px > 713 || py != 159 )); }; then
  echo "FAIL: the panel left its place though it fits there"; fail=1
fi
if [ "$apart" = yes ] && (( cx < px + pw && px < cx + cw && cy < py + ph && py < cy + ch )); then
  echo "FAIL: the windows overlap though the screen has room for both"; fail=1
fi
kill -0 $app || { echo "FAIL: the demo ended on its own"; fail=1; }
exit $fail
