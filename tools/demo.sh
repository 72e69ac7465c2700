#!/usr/bin/env bash
# The demo: the UPS server simulator plays a power failure (mains, battery, a
# countdown, "SHUTDOWN"). Two clients watch it: the monitoring service as a Linux
# daemon, in dry run, which only reports the power-off it would do, and the
# console monitor, which shows what the desktop monitor would. Nothing is powered
# off. Ends by itself within a minute.
set -euo pipefail
build=${1:-build/native-release}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
daemon_pid=
cleanup() {
  [ -n "$daemon_pid" ] && kill "$daemon_pid" 2>/dev/null
  touch "$work/stop"
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

password=demo
"$build/tools/ups_simulator" --port 0 --port-file "$work/port" --no-discovery --password "$password" \
  --scenario "$here/scenarios/power-failure.txt" --log "$work/simulator.log" --quiet \
  --stop-file "$work/stop" --max-seconds 60 &
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
echo "UPS server simulator on 127.0.0.1:$port, playing tools/scenarios/power-failure.txt"

# The service reads its settings on Linux from a .reg text file and writes
# VQM.log into its "Programm Path"; Debug adds the start and stop lines.
cat >"$work/monitor.reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Vequor\\Monitor]
"Remote Server UPS"="127.0.0.1"
"Communication Port"=dword:$(printf '%08x' "$port")
"ServerPassword"="$("$build/tools/encrypt_password" "$password")"
"Programm Path"="$work/"
"Debug"=dword:00000001
REG
VQ_SETTINGS_FILE="$work/monitor.reg" "$build/service/vqveruredo" --dry-run >"$work/daemon.out" 2>&1 &
daemon_pid=$!
echo "Monitoring service (vqveruredo --dry-run) started beside the console monitor"
echo

"$build/tools/console_monitor" 127.0.0.1 "$port" "$password" --seconds 50 --stop-on-shutdown
echo

# The service polls on its own clock: give it a few seconds to see "SHUTDOWN" too.
for _ in $(seq 100); do grep -q 'dry run:' "$work/VQM.log" 2>/dev/null && break; sleep 0.1; done
kill "$daemon_pid"
wait "$daemon_pid" || true
daemon_pid=
echo "What the monitoring service wrote to VQM.log:"
sed 's/^/  /' "$work/VQM.log"
echo
echo "What the simulator received:"
grep -E ' (connect|command) ' "$work/simulator.log" | head -10
echo "... $(grep -c ' command ' "$work/simulator.log") commands in all"
