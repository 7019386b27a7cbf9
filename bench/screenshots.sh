#!/usr/bin/env bash
# The documentation's pictures, the keyboard's page included: the program's
# --screenshot mode on a private headless X server and session bus, with the
# simulated keyboard plugged in once the pictures without a device are taken.
#
# Usage: bench/screenshots.sh [--build DIR] [--effect N] [OUT]
#   --build DIR   build folder holding bin/ruvemo, bin/ruvemo-sim and bin/ruvemoctl
#                 (default build/release)
#   --effect N    the keyboard's lighting effect on its page (default 1, wave)
#   OUT           where the PNG files go (default docs/screenshots)
#
# Without a keyboard page in the program (no keyboard tab within 8 s) the
# program skips that picture; this script then says so and still succeeds.
set -uo pipefail

build=build/release
effect=1
out=docs/screenshots
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --effect) effect=$2; shift 2 ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "screenshots: unknown option $1" >&2; exit 2 ;;
    *) out=$1; shift ;;
  esac
done

die() { echo "screenshots: $*" >&2; exit 1; }
bin=$(cd "$build/bin" 2>/dev/null && pwd) || die "no $build/bin: build first"
for prog in ruvemo ruvemo-sim ruvemoctl; do
  [ -x "$bin/$prog" ] || die "$bin/$prog is missing"
done
command -v Xvfb >/dev/null || die "Xvfb is missing: install the Debian package xvfb"
command -v dbus-daemon >/dev/null || die "dbus-daemon is missing: install the Debian package dbus-bin"
command -v jq >/dev/null || die "jq is missing: install the Debian package jq"
mkdir -p "$out" || die "cannot make $out"
out=$(cd "$out" && pwd)

. "$(dirname "$0")/private_session.sh"
make_session_folder ruvemo-shots
prog_pid=''
cleanup() {
  trap - EXIT INT TERM
  stop_pid "$prog_pid"
  stop_session
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_desktop

# The simulator starts with no device: the first pictures show none.
start_simulator

# The keyboard's profile with an animated effect, written to the keyboard
# while the program does not run yet.
ctl() { "$bin/ruvemoctl" "$@" >>"$tmp/ctl.log" 2>&1; }
echo "plug keyboard" >&7
if ctl profile keyboard list && ctl profile keyboard export 0 "$tmp/default.json" &&
  jq --argjson e "$effect" '.profilename="animated" | .Device[0].LightInfo.SelectItem=$e
    | .Device[0].LightInfo.OldLedmode=$e' "$tmp/default.json" >"$tmp/animated.json" &&
  ctl profile keyboard import "$tmp/animated.json" && ctl profile keyboard select 1 &&
  ctl --force keyboard write-profile; then
  :
else
  echo "screenshots: the effect could not be set (the default one stays): $(tail -n1 "$tmp/ctl.log")"
fi
echo "unplug keyboard" >&7

rm -f "$out"/keyboard_page_*.png
RUVEMO_DEBUG=1 "$bin/ruvemo" --screenshot "$out" >"$tmp/ruvemo.log" 2>&1 &
prog_pid=$!
# Once the pictures without a device are taken, the keyboard comes in.
if wait_for 15 compgen -G "$out/tray_menu*.png" >/dev/null; then
  echo "plug keyboard" >&7
else
  echo "screenshots: the tray menu picture did not appear (see the program's output below)"
fi
for _ in $(seq 300); do kill -0 "$prog_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$prog_pid" 2>/dev/null; then
  echo "screenshots: the program did not end within 30 s"
  stop_pid "$prog_pid"
fi
wait "$prog_pid" 2>/dev/null
prog_pid=''
grep '^screenshot' "$tmp/ruvemo.log"
if compgen -G "$out/keyboard_page*.png" >/dev/null; then
  echo "keyboard page: $(ls "$out"/keyboard_page*.png)"
else
  echo "keyboard page: skipped (no keyboard tab: the program has no keyboard page yet)"
fi
