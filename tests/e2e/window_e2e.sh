#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program on a real X display with a window manager: where its window appears, that it
# cannot be resized or maximised, what it shows, that it moves when dragged by a label and that Esc
# ends it with exit code 0.
#   window_e2e.sh PROGRAM ARTIFACT_DIR SCREEN EXPECTED_LEFT,TOP [full|place-only] [PROGRAM ARGUMENTS...]
# Arguments given to the program must change nothing.
set -uo pipefail
program=$1 artifacts=$2 screen=$3 expected=$4 scope=${5:-full}
shift 5 2>/dev/null || shift $#
here=$(cd "$(dirname "$0")" && pwd)
source "$here/x_session.sh"
mkdir -p "$artifacts"

start_x_session "$screen"

"$program" "$@" >"$artifacts/program-$screen.log" 2>&1 &
program_pid=$!
x_pids=("$program_pid" "${x_pids[@]}")
wait_for "the window to be mapped" 20 xdotool search --onlyvisible --pid "$program_pid" || exit 1
window=$(xdotool search --onlyvisible --pid "$program_pid" | head -n1)
# The frame is corrected once the window manager has reported its extents.
outer_size_settled() { [ "$(outer_geometry "$window" | cut -d' ' -f3-)" == "267 468" ]; }
wait_for "the outer size to settle" 5 outer_size_settled

read -r left top width height <<<"$(outer_geometry "$window")"
check "outer top-left" "$left,$top" "$expected"
check "outer size" "${width}x$height" "267x468"
[ "$scope" == "place-only" ] && exit $((failures > 0))

# A second copy opens its own window beside the first and leaves the first alone.
"$program" >"$artifacts/second-copy-$screen.log" 2>&1 &
second_pid=$!
x_pids=("$second_pid" "${x_pids[@]}")
wait_for "the second copy's window" 20 xdotool search --onlyvisible --pid "$second_pid" || failures=$((failures + 1))
check "windows of the first copy" "$(xdotool search --onlyvisible --pid "$program_pid" | wc -l)" "1"
check "windows of the second copy" "$(xdotool search --onlyvisible --pid "$second_pid" | wc -l)" "1"
kill "$second_pid"
wait "$second_pid" 2>/dev/null

# Fixed size: the size hints make the least and the largest size one, and the window manager
# offers neither resizing nor maximising.
hints=$(xprop -id "$window" WM_NORMAL_HINTS)
min=$(sed -n 's/.*minimum size: \([0-9]* by [0-9]*\).*/\1/p' <<<"$hints")
max=$(sed -n 's/.*maximum size: \([0-9]* by [0-9]*\).*/\1/p' <<<"$hints")
check "minimum size equals maximum size" "$min" "$max"
actions=$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)
check "maximising is not offered" "$(grep -c MAXIMIZE <<<"$actions")" "0"
check "resizing is not offered" "$(grep -c '_NET_WM_ACTION_RESIZE' <<<"$actions")" "0"
check "minimising is offered" "$(grep -c '_NET_WM_ACTION_MINIMIZE' <<<"$actions")" "1"
xdotool windowsize "$window" 400 600
sleep 0.3
read -r _ _ width height <<<"$(outer_geometry "$window")"
check "a resize request leaves the size" "${width}x$height" "267x468"
check "the window has an icon" "$(xprop -id "$window" _NET_WM_ICON | head -c 40 | grep -c 'Icon')" "1"
check "caption starts with V1.0(" "$(xprop -id "$window" _NET_WM_NAME | grep -c '"V1.0(')" "1"

# What the window shows, kept for a person to look at.
if command -v import >/dev/null; then
  import -window root -crop "267x468+$left+$top" +repage "$artifacts/window-$screen.png"
  echo "screenshot: $artifacts/window-$screen.png"
  # The rise captions are red (255, 0, 0) and drawn: the caption of +1 % has red ink.
  client_x=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print $4}')
  client_y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ {print $4}')
  red=$(import -window root -crop "48x24+$((client_x + 3))+$((client_y + 410))" +repage -depth 8 txt:- |
    grep -c '#FF0000')
  [ "$red" -gt 20 ] && echo "ok: the +1 % caption is drawn in red ($red pixels)" ||
    { echo "FAIL: the +1 % caption shows $red red pixels"; failures=$((failures + 1)); }
fi

# Dragging the title label moves the window by the distance dragged.
client_x=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print $4}')
client_y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ {print $4}')
start_x=$((client_x + 148)) start_y=$((client_y + 14))  # 标签1, clear of its caption's middle
xdotool mousemove "$start_x" "$start_y" mousedown 1
sleep 0.2
for step in 1 2 3 4 5; do
  xdotool mousemove $((start_x + step * 12)) $((start_y + step * 8))
  sleep 0.05
done
xdotool mouseup 1
sleep 0.3
read -r moved_left moved_top _ _ <<<"$(outer_geometry "$window")"
check "dragging a label moves the window" "$((moved_left - left)),$((moved_top - top))" "60,40"

# Esc closes the window and the program ends with exit code 0.
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key --clearmodifiers Escape
exit_code_of "$program_pid"
check "Esc ends the program with exit code" "$code" "0"

exit $((failures > 0))
