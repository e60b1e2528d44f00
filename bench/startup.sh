#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up time and memory of the calculator next to two X11 calculators, on a private Xvfb display
# with openbox: the time from starting the process until its window is mapped (median of N starts)
# and the resident memory once the window is shown. An empty Qt Widgets window is measured too, as
# the floor that the toolkit itself sets.
#   bench/startup.sh [PROGRAM] [RUNS]     PROGRAM defaults to the release build's vantelo
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/release/app/vantelo}
runs=${2:-15}
source "$root/tests/e2e/x_session.sh"
[ -x "$program" ] || { echo "no program at $program (build the release preset first)"; exit 1; }

cc -O2 -std=c11 -o "$x_tmp/map_timer" "$root/bench/map_timer.c" -lX11
# The toolkit's floor: an empty Qt Widgets window of the same size, built with the same Qt.
cat >"$x_tmp/qt_empty.cpp" <<'CPP'
#include <QApplication>
#include <QWidget>
int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.setFixedSize(265, 447);
  window.show();
  return application.exec();
}
CPP
c++ -O2 -std=c++17 -fPIC -o "$x_tmp/qt-empty" "$x_tmp/qt_empty.cpp" $(pkg-config --cflags --libs Qt6Widgets)
start_x_session 1920x1080
# Settings and caches of the other calculators go to a throw-away home.
export HOME="$x_tmp/home" XDG_CONFIG_HOME="$x_tmp/home/.config" XDG_CACHE_HOME="$x_tmp/home/.cache"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"

# The programs take turns, start by start, so that a change in the machine's load falls on
# all of them alike. One warm-up start each first.
names=(vantelo xcalc galculator qt-empty)
commands=("$program" xcalc galculator "$x_tmp/qt-empty")
declare -A times median_ms rss_kib
for i in 0 1 2 3; do
  if command -v "${commands[$i]}" >/dev/null; then
    "$x_tmp/map_timer" 300 "${commands[$i]}" >/dev/null 2>&1
  else
    echo "(${names[$i]} not installed; scripts/bench installs it)"
    names[$i]=""
  fi
done
for _ in $(seq "$runs"); do
  for i in 0 1 2 3; do
    [ -n "${names[$i]}" ] || continue
    line=$("$x_tmp/map_timer" 300 "${commands[$i]}" 2>/dev/null)
    times[${names[$i]}]+="${line% *} "
    rss_kib[${names[$i]}]=${line#* }
  done
done

echo "Start until mapped (median of $runs starts, Xvfb 1920x1080 + openbox), resident memory once shown:"
for name in "${names[@]}"; do
  [ -n "$name" ] || continue
  sorted=$(tr ' ' '\n' <<<"${times[$name]}" | grep . | sort -g)
  median_ms[$name]=$(awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}' <<<"$sorted")
  printf '%-11s %9.1f ms   min %7.1f   max %7.1f   RSS %6.1f MiB\n' "$name" "${median_ms[$name]}" \
    "$(head -n1 <<<"$sorted")" "$(tail -n1 <<<"$sorted")" "$(awk -v k="${rss_kib[$name]}" 'BEGIN {print k / 1024}')"
done

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
