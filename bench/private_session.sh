# Shared by the bench scripts (sourced, not run): a private desktop session
# for the program — its own X server (Xvfb), session bus and simulator on a
# fresh temporary folder — and the helpers to wait for and stop what they
# started. The sourcing script defines die() and calls these in order:
#   make_session_folder PREFIX   sets tmp (0700, with bus, config, data, runtime)
#   start_desktop                starts Xvfb and the session bus, exports the
#                                program's environment (DISPLAY, the bus, XDG
#                                folders, RUVEMO_VHID_DIR)
#   start_simulator ARGS...      starts ruvemo-sim on the bus folder with its
#                                line commands on file descriptor 7
#   stop_session                 stops the simulator, the bus and Xvfb
# It sets xvfb_pid, dbus_pid and sim_pid; $bin must name the programs' folder.

xvfb_pid='' dbus_pid='' sim_pid=''

# Stops a process we started: TERM, up to 3 s, then KILL.
stop_pid() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 0
}

# Waits up to $1 seconds (in 20 ms steps) until the command in "$@" succeeds.
wait_for() {
  local limit=$1; shift
  local steps=$((limit * 50))
  for _ in $(seq $steps); do "$@" && return 0; sleep 0.02; done
  return 1
}

make_session_folder() {
  tmp=$(mktemp -d "/tmp/$1.XXXXXX") || die "no temporary folder"
  chmod 700 "$tmp"
  mkdir -m 700 "$tmp/bus" "$tmp/config" "$tmp/data" "$tmp/runtime"
}

start_desktop() {
  Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp 5>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for 10 test -s "$tmp/display" || die "Xvfb did not start (see $tmp/xvfb.log)"
  export DISPLAY=":$(head -n1 "$tmp/display")"

  dbus-daemon --session --nofork --nopidfile --print-address=5 5>"$tmp/bus-address" \
    >"$tmp/dbus.log" 2>&1 &
  dbus_pid=$!
  wait_for 10 test -s "$tmp/bus-address" || die "the session bus did not start"
  export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus-address")
  unset DBUS_SYSTEM_BUS_ADDRESS

  export XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_RUNTIME_DIR=$tmp/runtime
  export RUVEMO_VHID_DIR=$tmp/bus QT_QPA_PLATFORM=xcb
}

start_simulator() {
  mkfifo "$tmp/sim.in"
  "$bin/ruvemo-sim" "$@" --bus "$tmp/bus" <"$tmp/sim.in" >"$tmp/sim.out" 2>"$tmp/sim.err" &
  sim_pid=$!
  exec 7>"$tmp/sim.in"
  wait_for 10 grep -q '^ruvemo-sim: bus' "$tmp/sim.out" ||
    die "ruvemo-sim did not start: $(cat "$tmp/sim.err")"
}

stop_session() {
  if [ -n "$sim_pid" ]; then
    echo quit >&7 2>/dev/null
    exec 7>&- 2>/dev/null
  fi
  stop_pid "$sim_pid"
  stop_pid "$dbus_pid"
  stop_pid "$xvfb_pid"
}
