#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up time and memory of the calculator next to two X11 calculators, on a private Xvfb display
# with openbox: the time from starting the process until its window is mapped (median of N starts)
# and the resident memory once the window is shown.
#   bench/startup.sh [PROGRAM] [RUNS]     PROGRAM defaults to the release build's vantelo
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/release/app/vantelo}
runs=${2:-15}
source "$root/tests/e2e/x_session.sh"
[ -x "$program" ] || { echo "no program at $program (build the release preset first)"; exit 1; }

cc -O2 -std=c11 -o "$x_tmp/map_timer" "$root/bench/map_timer.c" -lX11
start_x_session 1920x1080
# Settings and caches of the other calculators go to a throw-away home.
export HOME="$x_tmp/home" XDG_CONFIG_HOME="$x_tmp/home/.config" XDG_CACHE_HOME="$x_tmp/home/.cache"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"

# measure NAME COMMAND...: one warm-up start, then $runs measured starts.
declare -A median_ms rss_kib
measure() {
  local name=$1
  shift
  if ! command -v "$1" >/dev/null; then
    echo "($name not installed; scripts/bench installs it)"
    return
  fi
  "$x_tmp/map_timer" 300 "$@" >/dev/null 2>&1
  local times=() rss=0 line
  for _ in $(seq "$runs"); do
    line=$("$x_tmp/map_timer" 300 "$@" 2>/dev/null)
    times+=("${line% *}")
    rss=${line#* }
  done
  median_ms[$name]=$(printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}')
  rss_kib[$name]=$rss
  printf '%-11s %9.1f ms   min %7.1f   max %7.1f   RSS %6.1f MiB\n' "$name" "${median_ms[$name]}" \
    "$(printf '%s\n' "${times[@]}" | sort -g | head -n1)" "$(printf '%s\n' "${times[@]}" | sort -g | tail -n1)" \
    "$(awk -v k="$rss" 'BEGIN {print k / 1024}')"
}

echo "Start until mapped (median of $runs starts, Xvfb 1920x1080 + openbox), resident memory once shown:"
measure vantelo "$program"
measure xcalc xcalc
measure galculator galculator

verdict() { awk "BEGIN {exit !($1)}" && echo "met" || echo "MISSED"; }
v=${median_ms[vantelo]:-}
if [ -n "$v" ]; then
  echo "Targets:"
  [ -n "${median_ms[xcalc]:-}" ] &&
    echo "  at most 1.5 x xcalc:  $(awk -v a="$v" -v b="${median_ms[xcalc]}" 'BEGIN {printf "%.2f x", a / b}')  $(verdict "$v <= 1.5 * ${median_ms[xcalc]}")"
  [ -n "${median_ms[galculator]:-}" ] &&
    echo "  less than galculator: $(awk -v a="$v" -v b="${median_ms[galculator]}" 'BEGIN {printf "%.2f x", a / b}')  $(verdict "$v < ${median_ms[galculator]}")"
  echo "  RSS at most 40 MiB:   $(awk -v k="${rss_kib[vantelo]}" 'BEGIN {printf "%.1f MiB", k / 1024}')  $(verdict "${rss_kib[vantelo]} <= 40 * 1024")"
fi
