#!/usr/bin/env bash
# The service under Wine acting on the server's shutdown order: installed with
# the switches written in capitals and with "-", it logs in to the Linux UPS
# simulator, polls TIMEOUT, and when the simulator answers "SHUTDOWN" it powers
# the computer off. Under Wine ExitWindowsEx ends the Wine session, so the test
# sees every process of the prefix, the service first, end within one poll.
# Usage: service_shutdown_win.sh VQVEruredo.exe ups_simulator encrypt_password
set -u
service_exe=$1 simulator=$2 encrypt_password=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/vq-service-shutdown.XXXXXX")
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
simulator_pid=""
cleanup() {
  exec 3>&-
  [ -n "$simulator_pid" ] && { touch "$work/stop"; wait "$simulator_pid" 2>/dev/null; }
  wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

passed=0 failed=0
check() {  # check DESCRIPTION COMMAND...
  local description=$1
  shift
  if "$@"; then passed=$((passed + 1)); echo "PASS: $description"; else failed=$((failed + 1)); echo "FAIL: $description"; fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

# Every process of this Wine prefix (wineserver included), by its environment.
prefix_processes() {
  local pid
  for pid in /proc/[0-9]*; do
    { tr '\0' '\n' <"$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "${pid#/proc/}"
  done
}
service_processes() {
  local pid
  for pid in $(prefix_processes); do grep -q VQVEruredo "/proc/$pid/cmdline" 2>/dev/null && echo "$pid"; done
}
# wait_until SECONDS COMMAND...: true once COMMAND succeeds, false when the time is up.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}
log_has() { grep -q -- "$1" "$work/simulator.log" 2>/dev/null; }
services_ended() {
  local pid
  for pid in $service_pids; do [ -d "/proc/$pid" ] && return 1; done
  return 0
}
prefix_gone() { [ -z "$(prefix_processes)" ]; }

# A prefix boots its session twice; services registered before the second boot are lost.
wineboot --init >/dev/null 2>&1
wineserver -w

# Wine ends its session, services included, once no program of a user is left
# (Windows would keep the service). A console waiting for a line that never
# comes stands in for the logged-on user until the shutdown ends the session.
mkfifo "$work/keeper"
wine cmd /c "set /p line=" <"$work/keeper" >/dev/null 2>&1 &
exec 3>"$work/keeper"

program_dir="$work/Vequor Monitor"
mkdir -p "$program_dir"
cp "$service_exe" "$program_dir/VQVEruredo.exe"
key='HKLM\Software\Vequor\Monitor'
password=secret

printf '0 mains\n6 shutdown\n' >"$work/scenario"
env -u WINEPREFIX "$simulator" --port 0 --port-file "$work/port" --log "$work/simulator.log" --stop-file "$work/stop" \
  --no-discovery --quiet --max-seconds 120 --password "$password" --scenario "$work/scenario" &
simulator_pid=$!
wait_until 10 test -s "$work/port" || { echo "FAIL: the simulator did not start"; exit 1; }
port=$(cat "$work/port")

wine reg add "$key" /v "Remote Server UPS" /t REG_SZ /d 127.0.0.1 /f >/dev/null
wine reg add "$key" /v "Communication Port" /t REG_DWORD /d "$port" /f >/dev/null
wine reg add "$key" /v "ServerPassword" /t REG_SZ /d "$("$encrypt_password" "$password")" /f >/dev/null

wine "$program_dir/VQVEruredo.exe" -INSTALL /SILENT
check "\"-INSTALL /SILENT\" succeeds" test $? -eq 0
check "the service is registered and running" bash -c "wine sc query VQ_VEruredo | grep -q RUNNING"
service_pids=$(service_processes)
check "the service runs in a process of its own" test -n "$service_pids"

check "the service logs in with the stored password" wait_until 10 log_has "command LOGIN $password"
check "the simulator orders SHUTDOWN" wait_until 20 log_has "sent 200 SHUTDOWN"
check "the service process ends within one poll" wait_until 3 services_ended
check "the whole Wine session ends" wait_until 10 prefix_gone
for pid in $(prefix_processes); do echo "  still running: $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"; done
commands=$(awk '$3 == "command" { print $4 }' "$work/simulator.log" | uniq -c | awk '{ print $2 "x" $1 }' | tr '\n' ' ')
check "the service sent LOGIN, then only TIMEOUT ($commands)" bash -c "[[ '$commands' =~ ^LOGINx1\ TIMEOUTx[0-9]+\ $ ]]"
check "one SHUTDOWN reply sufficed" test "$(grep -c 'sent 200 SHUTDOWN' "$work/simulator.log")" -eq 1
finish
