#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Two copies of the real program side by side on one display: each has its own window, typing into
# one changes only that one, and each ends with exit code 0 on its own Esc.
#   two_copies_e2e.sh PROGRAM ARTIFACT_DIR
set -uo pipefail
program=$1 artifacts=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/x_session.sh"
mkdir -p "$artifacts"
need_tools import

start_x_session 1920x1080

pids=() windows=()
for copy in 1 2; do
  "$program" >"$artifacts/two-copies-$copy.log" 2>&1 &
  pids+=($!)
  x_pids=("$!" "${x_pids[@]}")
done
for copy in 0 1; do
  wait_for "window $((copy + 1)) to be mapped" 30 xdotool search --onlyvisible --pid "${pids[$copy]}" || exit 1
  windows+=("$(xdotool search --onlyvisible --pid "${pids[$copy]}" | head -n1)")
done

check "two distinct windows" "$([ "${windows[0]}" != "${windows[1]}" ] && echo distinct)" "distinct"
for copy in 0 1; do
  check "window $((copy + 1)) caption starts with V1.0(" \
    "$(xprop -id "${windows[$copy]}" _NET_WM_NAME | grep -c '"V1.0(')" "1"
done
check "each process has exactly one window" \
  "$(xdotool search --onlyvisible --pid "${pids[0]}" | wc -l),$(xdotool search --onlyvisible --pid "${pids[1]}" | wc -l)" "1,1"

# Both open centred; put them apart so that neither covers the other.
xdotool windowmove --sync "${windows[0]}" 200 200
xdotool windowmove --sync "${windows[1]}" 1200 200
sleep 0.3

# The pixels of a client rectangle "WxH+X+Y" of a window, as a digest.
pixels() { import -window "$1" -crop "$2" +repage -depth 8 rgb:- 2>/dev/null | md5sum | cut -d' ' -f1; }
limit_up_box=64x24+57+101  # 涨停, the first ladder price

xdotool windowactivate --sync "${windows[0]}"
sleep 0.3
first_before=$(pixels "${windows[0]}" "$limit_up_box")
second_before=$(pixels "${windows[1]}" 267x440+0+0)
import -window "${windows[1]}" "$artifacts/two-copies-second-before.png" 2>/dev/null

# The base price box has the focus with its text selected: typing replaces it.
xdotool type --delay 50 "12.5"
sleep 0.5
first_after=$(pixels "${windows[0]}" "$limit_up_box")
second_after=$(pixels "${windows[1]}" 267x440+0+0)
import -window "${windows[0]}" "$artifacts/two-copies-first-after.png" 2>/dev/null
import -window "${windows[1]}" "$artifacts/two-copies-second-after.png" 2>/dev/null
check "typing into the first window changes its ladder" \
  "$([ "$first_before" != "$first_after" ] && echo changed || echo unchanged)" "changed"
check "the second window is unchanged" "$([ "$second_before" == "$second_after" ] && echo unchanged || echo changed)" \
  "unchanged"

# Each copy ends on its own Esc with exit code 0; the other keeps running until its own.
for copy in 0 1; do
  xdotool windowactivate --sync "${windows[$copy]}" 2>/dev/null || true
  xdotool key --clearmodifiers Escape
  exit_code_of "${pids[$copy]}" 10
  check "Esc ends copy $((copy + 1)) with exit code" "$code" "0"
  if [ "$copy" -eq 0 ]; then
    check "the second copy still runs" "$(kill -0 "${pids[1]}" 2>/dev/null && echo running)" "running"
  fi
done

exit $((failures > 0))
