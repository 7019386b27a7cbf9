#!/usr/bin/env bash
# Desktop benchmark: the program on a headless X server with the simulated
# keyboard and mouse, measured from /proc.
#
# Usage: bench/desktop_bench.sh [--build DIR] [--seconds N] [--effect N] [--speed N]
#                               [--keep]
#   --build DIR   build folder holding bin/ruvemo, bin/ruvemo-sim, bin/ruvemoctl and
#                 bin/ruvemo-tray-host (default build/release)
#   --seconds N   length of each measuring window (default 10)
#   --effect N    the device-driven effect (default 1, wave)
#   --speed N     its page speed 0..4 (default 2)
#   --keep        keep the temporary folder (logs, trace) and print its path
#
# Everything runs privately: its own X server (Xvfb), its own session bus
# (dbus-daemon), a tray on that bus (ruvemo-tray-host), the simulator on its
# own bus folder, and temporary XDG_CONFIG_HOME / XDG_DATA_HOME. All of it is
# stopped on exit. docs/BENCHMARKS.md explains the figures.
set -uo pipefail

build=build/release
seconds=10
effect=1
speed=2
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --effect) effect=$2; shift 2 ;;
    --speed) speed=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    -h|--help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "desktop_bench: unknown argument $1" >&2; exit 2 ;;
  esac
done
streamed_effect=30  # the software-driven effect: the program streams the frames

die() { echo "desktop_bench: $*" >&2; exit 1; }
note() { echo "  note: $*"; }

bin=$(cd "$build/bin" 2>/dev/null && pwd) || die "no $build/bin: build first (docs/BENCHMARKS.md)"
for prog in ruvemo ruvemo-sim ruvemoctl; do
  [ -x "$bin/$prog" ] || die "$bin/$prog is missing: build the release build first"
done
need() {  # tool package
  command -v "$1" >/dev/null || die "$1 is missing: install the Debian package $2"
}
need Xvfb xvfb
need dbus-daemon dbus-bin
need gdbus libglib2.0-bin
need xwininfo x11-utils
need jq jq

. "$(dirname "$0")/private_session.sh"
make_session_folder ruvemo-bench
tray_pid='' prog_pid=''

cleanup() {
  trap - EXIT INT TERM
  stop_pid "$prog_pid"
  stop_pid "$tray_pid"
  stop_session
  if [ $keep = 1 ]; then echo "kept $tmp"; else rm -rf "$tmp"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

now_us() { local t=$EPOCHREALTIME; echo "${t/./}"; }

# ---------------------------------------------------------------------------
# X server, session bus, tray

start_desktop

: >"$tmp/tray.out"
if [ -x "$bin/ruvemo-tray-host" ]; then
  "$bin/ruvemo-tray-host" >>"$tmp/tray.out" 2>"$tmp/tray.err" &
  tray_pid=$!
  wait_for 10 grep -q '^ready' "$tmp/tray.out" ||
    note "the tray stand-in did not start ($(cat "$tmp/tray.err")): hidden figures will be skipped"
else
  note "$bin/ruvemo-tray-host is missing (a build with RUVEMO_BUILD_BENCH=ON makes it):" \
    "hidden figures will be skipped"
fi

unset RUVEMO_DEBUG

# ---------------------------------------------------------------------------
# Simulator: keyboard and mouse by cable; commands through a pipe on fd 7

start_simulator keyboard mouse --trace "$tmp/trace"

sim() { echo "$*" >&7; }
# Light frames the simulated keyboard has shown so far ("show" command).
keyboard_lines() { grep -c '^keyboard ' "$tmp/sim.out"; }
more_keyboard_lines() { [ "$(keyboard_lines)" -gt "$1" ]; }
sim_frames() {
  local before
  before=$(keyboard_lines)
  sim show
  wait_for 3 more_keyboard_lines "$before" || { echo -1; return; }
  grep '^keyboard ' "$tmp/sim.out" | tail -n1 | sed 's/.*frames \([0-9]*\).*/\1/'
}

# ---------------------------------------------------------------------------
# Profiles: the default one, one with the device-driven effect and one with
# the streamed effect, made with ruvemoctl on the temporary data folder.

ctl() { "$bin/ruvemoctl" "$@" >>"$tmp/ctl.log" 2>&1; }
ctl profile keyboard list || die "ruvemoctl cannot make the keyboard's profile list (see $tmp/ctl.log)"
ctl profile keyboard export 0 "$tmp/default.json" || die "cannot export the default profile"
profiles_ok=1
make_profile() {  # name effect speed
  jq --arg n "$1" --argjson e "$2" --argjson s "$3" \
    '.profilename=$n | .Device[0].LightInfo.SelectItem=$e | .Device[0].LightInfo.Speed=$s
     | .Device[0].LightInfo.OldLedmode=$e' "$tmp/default.json" >"$tmp/$1.json" &&
    ctl profile keyboard import "$tmp/$1.json"
}
make_profile bench-device "$effect" "$speed" || profiles_ok=0
make_profile bench-stream "$streamed_effect" "$speed" || profiles_ok=0
[ $profiles_ok = 1 ] || note "the effect profiles could not be made (see $tmp/ctl.log)"
device_profile=1 stream_profile=2

# Selects stored profile N and writes it to the keyboard as a profile switch
# on the page does (the program must not run: both would take the replies).
use_profile() {
  ctl profile keyboard select "$1" && ctl --force keyboard write-profile
}

# ---------------------------------------------------------------------------
# The program

bus_call() {
  gdbus call --session --timeout 2 --dest org.ruvemo.Brivo75 --object-path /org/ruvemo/Brivo75 \
    --method "org.ruvemo.Brivo75.$1" "${@:2}"
}
window_id() {
  xwininfo -root -tree 2>/dev/null | awk '/"Brivo75"/ {print $1; exit}'
}
window_viewable() {
  local id
  id=$(window_id)
  [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable'
}
window_hidden() { ! window_viewable; }

has_list_devices=0
keyboard_tab_visible() { bus_call ListDevices 2>/dev/null | grep -q "(1, 'wired', true)"; }
keyboard_tab_hidden() {
  local out
  out=$(bus_call ListDevices 2>/dev/null) || return 1
  ! grep -q "(1, 'wired', true)" <<<"$out"
}

items_before=0
start_program() {
  items_before=$(grep -c '^item ' "$tmp/tray.out")
  "$bin/ruvemo" >"$tmp/ruvemo.log" 2>&1 &
  prog_pid=$!
  wait_for 15 bus_call QueryWorkTool >/dev/null 2>&1 ||
    { note "the program did not come onto the session bus"; return 1; }
  wait_for 10 window_viewable || note "the main window did not show"
  if gdbus introspect --session --dest org.ruvemo.Brivo75 --object-path /org/ruvemo/Brivo75 \
    2>/dev/null | grep -q 'ListDevices'; then
    has_list_devices=1
  else
    has_list_devices=0
  fi
}
stop_program() { stop_pid "$prog_pid"; prog_pid=''; }

# The program's tray item on the bus (registered with the tray stand-in).
# Only an item registered since the program started counts.
tray_item() {
  awk -v skip="$items_before" '/^item / && ++n > skip {name = $2} END {if (name != "") print name}' \
    "$tmp/tray.out"
}
tray_click() {
  local item
  item=$(tray_item)
  [ -n "$item" ] || return 1
  gdbus call --session --timeout 2 --dest "$item" --object-path /StatusNotifierItem \
    --method org.kde.StatusNotifierItem.Activate 0 0 >/dev/null 2>&1
}
hide_window() {
  wait_for 5 test -n "$(tray_item)" || { note "no tray item registered: cannot hide to the tray"; return 1; }
  window_viewable || return 0
  tray_click || { note "the tray icon did not take the click"; return 1; }
  wait_for 5 window_hidden || { note "the window did not hide after the tray click"; return 1; }
}
show_window() {
  bus_call Activate >/dev/null 2>&1
  wait_for 5 window_viewable || note "the window did not come back"
}

# ---------------------------------------------------------------------------
# Measuring

clk_tck=$(getconf CLK_TCK)
# One line per thread: thread id, voluntary + involuntary context switches,
# nanoseconds on the CPU (the scheduler's run time; 0 where the kernel does
# not keep it).
thread_snapshot() {
  local task tid sw ns
  for task in /proc/"$1"/task/*; do
    tid=${task##*/}
    sw=$(awk '/^(voluntary|nonvoluntary)_ctxt_switches/ {s += $2} END {print s + 0}' \
      "$task/status" 2>/dev/null) || continue
    ns=$(awk '{print $1 + 0}' "$task/schedstat" 2>/dev/null)
    echo "$tid ${sw:-0} ${ns:-0}"
  done
}
cpu_ticks() { awk '{sub(/.*\) /, ""); print $12 + $13}' /proc/"$1"/stat 2>/dev/null; }
rss_kb() { awk '/^VmRSS/ {print $2}' /proc/"$1"/status 2>/dev/null; }

# Switches and CPU microseconds between two snapshots. Threads are matched by
# id: a thread that started in the window counts whole, one that ended in it
# is lost from the per-thread sums (its CPU time stays in the process's
# utime + stime, which is used when it is the larger).
window_delta() {  # before after ticks_delta
  awk -v ticks="$3" -v hz="$clk_tck" '
    NR == FNR {sw[$1] = $2; ns[$1] = $3; next}
    {s += $2 - ($1 in sw ? sw[$1] : 0); n += $3 - ($1 in ns ? ns[$1] : 0)}
    END {us = n / 1000; t = ticks * 1e6 / hz; if (t > us) us = t; printf "%d %d", s, us}
  ' "$1" "$2"
}

printf -v rule '%0.s-' $(seq 100)
results=()
row() { results+=("$(printf '%-56s %10s %7s %7s   %s' "$@")"); echo "${results[-1]}"; }
header() {
  results+=("$(printf '%-56s %10s %7s %7s   %s' "situation" "wakeups/s" "cpu %" "RSS MB" "target")")
}

# Measures the program over the window: label, the most wake-ups per second
# and CPU % allowed, and optionally "frames": then the wake-ups allowed are
# the simulated keyboard's light frames per second plus the given number, or
# "count": the frames per second are only shown.
measure() {
  local label=$1 wmax=$2 cmax=$3 frames=${4:-}
  local pid=$prog_pid
  kill -0 "$pid" 2>/dev/null || { row "$label" "n/a" "n/a" "n/a" "program not running"; return; }
  local f0=0 f1=0
  [ -n "$frames" ] && f0=$(sim_frames)
  local k0 k1 t0 t1 sw us
  thread_snapshot "$pid" >"$tmp/before"; k0=$(cpu_ticks "$pid"); t0=$(now_us)
  sleep "$seconds"
  thread_snapshot "$pid" >"$tmp/after"; k1=$(cpu_ticks "$pid"); t1=$(now_us)
  [ -n "$frames" ] && f1=$(sim_frames)
  read -r sw us <<<"$(window_delta "$tmp/before" "$tmp/after" $((k1 - k0)))"
  local rss stats wps cpu mb target verdict
  rss=$(rss_kb "$pid")
  stats=$(awk -v s="$sw" -v c="$us" -v t=$((t1 - t0)) -v r="$rss" \
    'BEGIN {printf "%.1f %.2f %.1f", s * 1e6 / t, 100 * c / t, r / 1024}')
  read -r wps cpu mb <<<"$stats"
  local fps=''
  if [ -n "$frames" ]; then
    fps=$(awk -v a="$f0" -v b="$f1" -v t=$((t1 - t0)) \
      'BEGIN {if (a < 0 || b < 0) print "?"; else printf "%.1f", (b - a) * 1e6 / t}')
  fi
  if [ "$frames" = frames ] && [ "$fps" != "?" ]; then
    wmax=$(awk -v f="$fps" -v w="$wmax" 'BEGIN {printf "%.1f", f + w}')
    target="<= $wmax/s (frames $fps/s + 20)"
  else
    target="<= $wmax/s, <= $cmax %${fps:+, frames $fps/s}"
  fi
  verdict=$(awk -v w="$wps" -v c="$cpu" -v m="$mb" -v W="$wmax" -v C="$cmax" \
    'BEGIN {print (w <= W && (C == "" || c <= C) && m <= 80) ? "ok" : "OVER"}')
  [ $has_list_devices = 0 ] && [ "${label#keyboard}" != "$label" ] &&
    verdict="$verdict, no device page in this build"
  row "$label" "$wps" "$cpu" "$mb" "$target, RSS <= 80 MB: $verdict"
}

# Time from a trigger to the last report the program sends because of it:
# the trace is watched until it has been quiet for 0.5 s (at most 5 s).
last_report_after() {  # start_us
  local start=$1 lines last_change now count last quiet=0
  lines=$(wc -l <"$tmp/trace")
  last_change=$(now_us)
  for _ in $(seq 250); do
    sleep 0.02
    count=$(wc -l <"$tmp/trace")
    now=$(now_us)
    if [ "$count" != "$lines" ]; then lines=$count; last_change=$now; fi
    [ $((now - last_change)) -gt 500000 ] && { quiet=1; break; }
  done
  last=$(awk -v s="$start" '{t = $1; sub(/\./, "", t); if (t + 0 >= s + 0) l = t} END {print l}' \
    "$tmp/trace")
  [ -n "$last" ] || { echo "no report came"; return; }
  if [ $quiet = 0 ]; then
    echo "not measured: reports kept coming for 5 s"
    return
  fi
  awk -v a="$start" -v b="$last" 'BEGIN {printf "%.1f ms", (b - a) / 1000}'
}

echo "Ruvemo desktop benchmark: $(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)"
echo "build $build, ${seconds} s per figure, display $DISPLAY"
echo "$rule"
header

# 1. No device: the idle program.
sim unplug keyboard
sim unplug mouse
start_program || die "the program did not start (see $tmp/ruvemo.log)"
sleep 2
measure "no device, window visible" 300 2
if hide_window; then
  sleep 1
  measure "no device, hidden to the tray" 20 0.3
else
  row "no device, hidden to the tray" "n/a" "n/a" "n/a" "could not hide the window"
fi
stop_program

# 2. The keyboard with a device-driven and with a streamed effect.
run_effect() {  # label profile frames?
  local label=$1 profile=$2 frames=${3:-}
  if [ $profiles_ok = 0 ] || ! use_profile "$profile"; then
    row "$label" "n/a" "n/a" "n/a" "the profile could not be written (see $tmp/ctl.log)"
    return 1
  fi
  # The keyboard alone at start, so that its tab becomes the current one;
  # the mouse joins once the keyboard's tab shows.
  sim unplug mouse
  start_program || return 1
  if [ $has_list_devices = 1 ]; then
    wait_for 5 keyboard_tab_visible || note "the keyboard's tab did not become visible"
  else
    note "ListDevices is not on the program's bus: no device page to wait for"
    sleep 1
  fi
  sim plug mouse
  sleep 2
  measure "$label, window visible" 300 2 ${frames:+count}
  if hide_window; then
    sleep 1
    if [ -n "$frames" ]; then
      measure "$label, hidden to the tray" 20 "" frames
    else
      measure "$label, hidden to the tray" 20 0.3
    fi
  else
    row "$label, hidden to the tray" "n/a" "n/a" "n/a" "could not hide the window"
  fi
  show_window
}

sim plug keyboard
if run_effect "keyboard, effect $effect (device-driven)" $device_profile; then
  # Plug -> tab visible, three times.
  if [ $has_list_devices = 1 ]; then
    plug_times=()
    for _ in 1 2 3; do
      sim unplug keyboard
      wait_for 5 keyboard_tab_hidden || { note "the keyboard's tab stayed after unplugging"; break; }
      sleep 0.5
      t0=$(now_us)
      sim plug keyboard
      if wait_for 5 keyboard_tab_visible; then
        t1=$(now_us)
        plug_times+=("$(awk -v d=$((t1 - t0)) 'BEGIN {printf "%.0f", d / 1000}')")
      else
        plug_times+=("timeout")
      fi
      sleep 1
    done
    if [ ${#plug_times[@]} = 0 ]; then
      plug_figure="not measured: the keyboard's tab did not go away on unplugging"
    else
      plug_figure="${plug_times[*]} ms: $(printf '%s\n' "${plug_times[@]}" |
        awk '$1 == "timeout" || $1 > 700 {bad = 1} END {print bad ? "OVER" : "ok"}')"
    fi
  else
    plug_figure="not available: the program has no ListDevices method on its bus yet"
  fi
  # Profile switch reported by the keyboard itself (its profile key): the
  # program reads the new settings; the figure is its last report.
  t0=$(now_us)
  sim event keyboard 0x1001
  event_figure=$(last_report_after "$t0")
  t0=$(now_us)
  sim event keyboard 0x1000
  last_report_after "$t0" >/dev/null
  # A game lighting cue over the bus (the current device shows mode 5).
  t0=$(now_us)
  bus_call GameStart 0 5 >/dev/null 2>&1
  cue_figure=$(last_report_after "$t0")
fi
stop_program

# Profile switch as the page writes it, through ruvemoctl (same device code;
# includes starting ruvemoctl and opening the device). The program is stopped.
switch_figure="not measured"
if [ $profiles_ok = 1 ]; then
  ctl profile keyboard select $device_profile
  t0=$(now_us)
  if ctl --force keyboard write-profile; then
    t1=$(now_us)
    switch_figure=$(last_report_after "$t0")
    first=$(awk -v s="$t0" '{t = $1; sub(/\./, "", t); if (t + 0 >= s + 0) {print t; exit}}' "$tmp/trace")
    span=$(awk -v a="$first" -v s="$t0" '{t = $1; sub(/\./, "", t); if (t + 0 >= s + 0) l = t} END {printf "%.1f", (l - a) / 1000}' "$tmp/trace")
    switch_verdict="no figure"
    [[ $switch_figure == *" ms" ]] &&
      switch_verdict=$(awk -v f="${switch_figure% ms}" 'BEGIN {print f + 0 <= 150 ? "ok" : "OVER"}')
    switch_figure="$switch_figure from the command's start: $switch_verdict ($span ms first to last report, $(awk -v s="$t0" '{t = $1; sub(/\./, "", t); if (t + 0 >= s + 0) n++} END {print n + 0}' "$tmp/trace") reports)"
  else
    switch_figure="write-profile failed (see $tmp/ctl.log)"
  fi
fi

run_effect "keyboard, effect $streamed_effect (streamed)" $stream_profile frames
stop_program

echo "$rule"
printf '%s\n' "${results[@]}"
echo "$rule"
echo "plug -> keyboard tab visible (target <= 700 ms):      ${plug_figure:-not measured}"
echo "keyboard profile key -> last report (wired):          ${event_figure:-not measured}"
echo "game lighting cue -> last report (wired):             ${cue_figure:-not measured}"
echo "profile switch (write-profile) -> last report:        $switch_figure"
echo "   (target: profile switch -> last report <= 150 ms wired; RSS <= 80 MB)"
