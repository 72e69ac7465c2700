#!/usr/bin/env bash
# The demo: the UPS server simulator plays a power failure (mains, battery, a
# countdown, "SHUTDOWN") and the console monitor shows what the desktop monitor
# would. Nothing is powered off. Ends by itself within a minute.
set -euo pipefail
build=${1:-build/native-release}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'touch "$work/stop"; sleep 0.3; rm -rf "$work"' EXIT

"$build/tools/ups_simulator" --port 0 --port-file "$work/port" --no-discovery --password demo \
  --scenario "$here/scenarios/power-failure.txt" --log "$work/simulator.log" --quiet \
  --stop-file "$work/stop" --max-seconds 60 &
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
echo "UPS server simulator on 127.0.0.1:$port, playing tools/scenarios/power-failure.txt"
echo

"$build/tools/console_monitor" 127.0.0.1 "$port" demo --seconds 50 --stop-on-shutdown
echo
echo "What the simulator received:"
grep -E ' (connect|command) ' "$work/simulator.log" | head -8
echo "... $(grep -c ' command ' "$work/simulator.log") commands in all"
