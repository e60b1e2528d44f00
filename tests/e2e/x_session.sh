# SPDX-License-Identifier: MIT
# Sourced by the end-to-end scripts: a private X display (Xvfb on a free display number) with the
# openbox window manager, torn down on exit.
#   start_x_session WIDTHxHEIGHT   sets DISPLAY
#   wait_for WHAT SECONDS COMMAND...  polls until COMMAND succeeds
#   check DESCRIPTION ACTUAL EXPECTED  counts a mismatch in $failures; end with: exit $((failures > 0))
#   exit_code_of PID [SECONDS]        waits for PID to end and sets $code (or "timeout")

x_pids=()
x_tmp=$(mktemp -d)
stop_x_session() {
  local pid
  for pid in "${x_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${x_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$x_tmp"
}
trap stop_x_session EXIT

need_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed (scripts/test installs it)"
      exit 77
    fi
  done
}

failures=0
check() {
  if [ "$2" == "$3" ]; then
    echo "ok: $1 ($2)"
  else
    echo "FAIL: $1: got '$2', expected '$3'"
    failures=$((failures + 1))
  fi
}

exit_code_of() {
  local pid=$1 deadline=$((SECONDS + ${2:-5}))
  code=timeout
  while [ "$SECONDS" -lt "$deadline" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      code=$?
      return
    fi
    sleep 0.05
  done
}

wait_for() {
  local what=$1 seconds=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "FAIL: timed out waiting for $what"
      return 1
    fi
    sleep 0.05
  done
}

start_x_session() {
  need_tools Xvfb openbox xdotool xwininfo xprop
  # Xvfb picks a free display number itself and writes it to fd 3.
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$x_tmp/display" 2>"$x_tmp/xvfb.log" &
  x_pids+=($!)
  wait_for "Xvfb to start" 10 test -s "$x_tmp/display"
  export DISPLAY=":$(head -n1 "$x_tmp/display")"
  openbox --sm-disable >"$x_tmp/openbox.log" 2>&1 &
  x_pids+=($!)
  wait_for "openbox to manage the screen" 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
}

# The outer frame of a top-level client window, as "left top width height", from the client's place
# and the frame extents the window manager reports.
outer_geometry() {
  local id=$1 info extents x y w h l r t b
  info=$(xwininfo -id "$id")
  x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
  w=$(awk '/^ *Width:/ {print $2}' <<<"$info")
  h=$(awk '/^ *Height:/ {print $2}' <<<"$info")
  extents=$(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
  IFS=, read -r l r t b <<<"${extents:-0,0,0,0}"
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
