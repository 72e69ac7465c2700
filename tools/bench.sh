#!/usr/bin/env bash
# Steady state of the Linux monitoring service against the UPS simulator on
# 127.0.0.1, beside the floor: a raw-socket client that makes the same exchanges
# (greeting, LOGIN, TIMEOUT every 2 s) and nothing else. Prints resident memory
# and CPU time per poll of both, their ratio, and the sizes of the Windows
# programs. The service runs as a dry run. The figures are printed, not judged,
# so a slow machine only gives slower figures.
# Usage: tools/bench.sh [BUILD_DIR]   (default build/native-release)
#        BENCH_SECONDS=N  length of the measured window (default 60: 30 polls)
set -u
cd "$(dirname "$0")/.."
build=${1:-build/native-release}
seconds=${BENCH_SECONDS:-60}
simulator=$build/tools/ups_simulator service=$build/service/vqveruredo
raw_client=$build/tools/raw_client encrypt=$build/tools/encrypt_password
for program in "$simulator" "$service" "$raw_client" "$encrypt"; do
  [ -x "$program" ] || { echo "bench: $program is missing; run make release" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vq-bench.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  touch "$work/stop"
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

wait_for() {  # wait_for SECONDS COMMAND...
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}
timeouts_of() { awk -v c="$1" '$2 == c && $3 == "command" && $4 == "TIMEOUT"' "$work/simulator.log" | wc -l; }
has_timeout() { [ "$(timeouts_of "$1")" -ge 1 ]; }

# CPU time of every thread, in nanoseconds (the scheduler's own count), and
# utime+stime in clock ticks as /proc/PID/stat gives them.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%d", sum }'; }
cpu_ticks() { awk '{ print $14 + $15 }' /proc/"$1"/stat; }
memory_kib() { awk -v k="$2:" '$1 == k { print $2 }' /proc/"$1"/status; }

password=bench
"$simulator" --port 0 --port-file "$work/port" --log "$work/simulator.log" --stop-file "$work/stop" \
  --no-discovery --quiet --max-seconds $((seconds + 60)) --password "$password" &
wait_for 10 test -s "$work/port" || { echo "bench: the simulator did not start" >&2; exit 1; }
port=$(cat "$work/port")

# The settings as the service reads them on Linux: the key in a .reg text file.
cat >"$work/monitor.reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Vequor\\Monitor]
"Remote Server UPS"="127.0.0.1"
"Communication Port"=dword:$(printf '%08x' "$port")
"ServerPassword"="$("$encrypt" "$password")"
"Programm Path"="$work/"
REG

# The service first, so that it is the simulator's client#1 and the floor client#2.
VQ_SETTINGS_FILE="$work/monitor.reg" "$service" --dry-run >"$work/service.out" 2>&1 &
service_pid=$!
pids+=("$service_pid")
wait_for 15 has_timeout client#1 || { echo "bench: the service did not poll" >&2; exit 1; }
"$raw_client" "$port" "$password" 2000 &
raw_pid=$!
pids+=("$raw_pid")
wait_for 15 has_timeout client#2 || { echo "bench: the raw client did not poll" >&2; exit 1; }

echo "Measuring $seconds s of polling every 2 s against the simulator on 127.0.0.1:$port ..."
start_service_ns=$(cpu_ns "$service_pid") start_service_ticks=$(cpu_ticks "$service_pid")
start_raw_ns=$(cpu_ns "$raw_pid") start_raw_ticks=$(cpu_ticks "$raw_pid")
start_service_polls=$(timeouts_of client#1) start_raw_polls=$(timeouts_of client#2)
sleep "$seconds"
service_ns=$(($(cpu_ns "$service_pid") - start_service_ns)) service_ticks=$(($(cpu_ticks "$service_pid") - start_service_ticks))
raw_ns=$(($(cpu_ns "$raw_pid") - start_raw_ns)) raw_ticks=$(($(cpu_ticks "$raw_pid") - start_raw_ticks))
service_polls=$(($(timeouts_of client#1) - start_service_polls)) raw_polls=$(($(timeouts_of client#2) - start_raw_polls))

hz=$(getconf CLK_TCK)
report() {  # report NAME PID NS TICKS POLLS
  awk -v name="$1" -v ns="$3" -v ticks="$4" -v polls="$5" -v hz="$hz" \
    -v rss="$(memory_kib "$2" VmRSS)" -v hwm="$(memory_kib "$2" VmHWM)" 'BEGIN {
      per_poll = polls > 0 ? ns / polls / 1000 : 0
      printf "%-22s %6d polls  %8.1f us CPU/poll  (utime+stime %d ticks of 1/%d s)  VmRSS %6d KiB  VmHWM %6d KiB\n",
        name, polls, per_poll, ticks, hz, rss, hwm }'
}
report "service (vqveruredo)" "$service_pid" "$service_ns" "$service_ticks" "$service_polls"
report "floor (raw_client)" "$raw_pid" "$raw_ns" "$raw_ticks" "$raw_polls"
awk -v s="$service_ns" -v sp="$service_polls" -v r="$raw_ns" -v rp="$raw_polls" \
  -v rss="$(memory_kib "$service_pid" VmRSS)" 'BEGIN {
    if (sp > 0 && rp > 0 && r > 0) printf "CPU per poll, service / floor: %.2fx (target: within 1.5x)\n", (s / sp) / (r / rp)
    printf "Service resident memory: %.2f MiB (target: under 4 MiB)\n", rss / 1024 }'

echo "Windows programs:"
for program in build/windows/service/VQVEruredo.exe build/windows/desktop/VQ_ZOZuzivoz.exe; do
  if [ -f "$program" ]; then
    printf '  %-20s %8d bytes\n' "$(basename "$program")" "$(stat -c %s "$program")"
  else
    printf '  %-20s not built yet\n' "$(basename "$program")"
  fi
done
exit 0
