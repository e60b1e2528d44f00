#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The calculator at work on a real X display with a window manager, driven as a person would with
# the keyboard and the mouse, and read back through the clipboard.
#   events_e2e.sh PROGRAM ARTIFACT_DIR MODE
# MODE: compute     - type a base price and a target, read the twenty ladder boxes and the change
#       stacking    - the corner button takes the window out of the "above" band and puts it back
#       switching   - going to another window and back normalises the base box and keeps its focus
#       close-button | system-menu | alt-f4 | esc - each close request ends the program with exit code 0
set -uo pipefail
program=$1 artifacts=$2 mode=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/x_session.sh"
mkdir -p "$artifacts"
need_tools xclip

start_x_session 1920x1080

start_program() {
  "$program" >"$artifacts/events-$mode.log" 2>&1 &
  program_pid=$!
  x_pids=("$program_pid" "${x_pids[@]}")
  wait_for "the window to be mapped" 20 xdotool search --onlyvisible --pid "$program_pid" || exit 1
  window=$(xdotool search --onlyvisible --pid "$program_pid" | head -n1)
  wait_for "the window to be active" 10 sh -c "[ \"\$(xdotool getactivewindow)\" = $window ]" || exit 1
  sleep 0.2
}

client_origin() {
  local info
  info=$(xwininfo -id "$window")
  client_x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
  client_y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
}

# Places of the controls in the client area: left top width height.
declare -A place=(
  [股票价格]="82 36 75 24" [目标价]="82 64 75 24" [涨幅]="183 64 56 24" [按钮1]="0 0 30 30"
  [涨停]="57 101 64 24" [涨9]="57 135 64 24" [涨8]="57 169 64 24" [涨7]="57 203 64 24" [涨6]="57 237 64 24"
  [涨5]="57 271 64 24" [涨4]="57 305 64 24" [涨3]="57 339 64 24" [涨2]="57 373 64 24" [涨1]="57 410 64 24"
  [跌停]="189 101 64 24" [跌9]="189 135 64 24" [跌8]="189 169 64 24" [跌7]="189 203 64 24" [跌6]="189 237 64 24"
  [跌5]="189 271 64 24" [跌4]="189 305 64 24" [跌3]="189 339 64 24" [跌2]="189 373 64 24" [跌1]="189 410 64 24"
)

click_control() {
  local left top width height
  read -r left top width height <<<"${place[$1]}"
  client_origin
  xdotool mousemove $((client_x + left + width / 2)) $((client_y + top + height / 2)) click 1
  sleep 0.15
}

# The text of the focused box, through the clipboard. The clipboard is emptied first so that a copy
# that did not happen cannot pass for the text of an earlier box.
copied_text() {
  printf '' | xclip -selection clipboard -i
  xdotool key --clearmodifiers ctrl+a ctrl+c
  sleep 0.15
  xclip -o -selection clipboard 2>/dev/null
}

text_of() {  # clicks into a box, then copies its text
  click_control "$1"
  copied_text
}

above() { xprop -id "$window" _NET_WM_STATE | grep -c _NET_WM_STATE_ABOVE; }

start_program

case "$mode" in
  compute)
    # The base box has the focus with its whole text selected: typing replaces "10.0".
    xdotool type --delay 40 "20.00"
    declare -A expected=(
      [涨停]=" 22" [涨9]=" 21.8" [涨8]=" 21.6" [涨7]=" 21.4" [涨6]=" 21.2" [涨5]=" 21" [涨4]=" 20.8" [涨3]=" 20.6"
      [涨2]=" 20.4" [涨1]=" 20.2" [跌停]=" 18" [跌9]=" 18.2" [跌8]=" 18.4" [跌7]=" 18.6" [跌6]=" 18.8" [跌5]=" 19"
      [跌4]=" 19.2" [跌3]=" 19.4" [跌2]=" 19.6" [跌1]=" 19.8"
    )
    # 跌停 is editable: clicking into it and leaving it again normalises its own text, so it is read first.
    for box in 跌停 涨停 涨9 涨8 涨7 涨6 涨5 涨4 涨3 涨2 涨1 跌9 跌8 跌7 跌6 跌5 跌4 跌3 跌2 跌1; do
      check "ladder box $box" "$(text_of "$box")" "${expected[$box]}"
    done
    # A click into the base box leaves its whole text selected once the button is up: the selection
    # (X's primary selection) holds all of it, with no Ctrl+A.
    printf 'not yet' | xclip -selection primary -i
    click_control 股票价格
    check "a click into the base box selects its whole text" "$(xclip -o -selection primary 2>/dev/null)" "20"
    check "the base box, normalised on leaving it" "$(copied_text)" "20"
    click_control 目标价
    xdotool type --delay 40 "21"
    check "the change percentage" "$(text_of 涨幅)" "5 %"
    click_control 目标价
    xdotool key --clearmodifiers BackSpace BackSpace
    check "an emptied target reads as zero" "$(text_of 涨幅)" "-100 %"
    # Typed letters and signs other than "-" and "." never reach a number box.
    click_control 目标价
    xdotool type --delay 40 "x2+,.5a"
    check "the target box keeps only digits, minus and point" "$(copied_text)" "2.5"
    check "the change for the filtered target" "$(text_of 涨幅)" "-87.5 %"
    ;;
  stacking)
    check "always on top at start" "$(above)" "1"
    client_origin
    before="$client_x,$client_y"
    click_control 按钮1
    check "the first press takes the window out of the above band" "$(above)" "0"
    check "the window is still active" "$(xdotool getactivewindow)" "$window"
    click_control 按钮1
    check "the second press puts it back" "$(above)" "1"
    client_origin
    check "the window did not move" "$client_x,$client_y" "$before"
    ;;
  switching)
    xdotool type --delay 40 "7.50"
    xmessage -geometry +0+0 "another application" &
    other_pid=$!
    x_pids=("$other_pid" "${x_pids[@]}")
    wait_for "the other window" 10 xdotool search --onlyvisible --class Xmessage || exit 1
    other=$(xdotool search --onlyvisible --class Xmessage | head -n1)
    xdotool windowactivate --sync "$other" 2>/dev/null
    sleep 0.3
    xdotool windowactivate --sync "$window" 2>/dev/null
    sleep 0.3
    # No click: the base box got the focus back on its own; its text was normalised when the window
    # lost the activation.
    check "the base box, normalised when the window was left" "$(copied_text)" "7.5"
    check "the ladder for the normalised price" "$(text_of 涨停)" " 8.25"
    ;;
  close-button)
    # The close button sits at the right end of the title bar that openbox draws.
    read -r left top width _ <<<"$(outer_geometry "$window")"
    extents=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
    IFS=, read -r _ right title _ <<<"$extents"
    xdotool mousemove $((left + width - right - 9)) $((top + title / 2)) click 1
    exit_code_of "$program_pid"
    check "the close button ends the program with exit code" "$code" "0"
    ;;
  system-menu)
    # Alt+Space opens the window menu that openbox draws; "c" picks its Close entry.
    xdotool keydown Alt_L
    sleep 0.1
    xdotool key space
    sleep 0.1
    xdotool keyup Alt_L
    sleep 0.4
    xdotool key c
    exit_code_of "$program_pid"
    check "the window menu's Close ends the program with exit code" "$code" "0"
    ;;
  alt-f4)
    # The window manager's own binding; pressed as a person does (a one-shot chord can slip past it).
    xdotool keydown Alt_L
    sleep 0.1
    xdotool key F4
    sleep 0.1
    xdotool keyup Alt_L
    exit_code_of "$program_pid"
    check "Alt+F4 ends the program with exit code" "$code" "0"
    ;;
  esc)
    click_control 目标价
    xdotool key --clearmodifiers Escape
    exit_code_of "$program_pid"
    check "Esc in the target box ends the program with exit code" "$code" "0"
    ;;
  *)
    echo "unknown mode $mode"
    exit 2
    ;;
esac

exit $((failures > 0))
