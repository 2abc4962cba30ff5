#!/usr/bin/env bash
# Long run: active monitoring (`veltrane monitor-readers`, the static readers of a participant
# file, or `veltrane monitor`, every discovered topic) and `veltrane capture -i lo` (the same
# traffic decoded from the wire) against a Cyclone DDS `ddsperf pub`, sampling each veltrane
# process's memory and thread count every interval.
#   scripts/soak.sh [minutes]        (default 60)
# Environment: VELTRANE (the tool, default build/tools/veltrane/veltrane), SOAK_ACTIVE (static
# or dynamic, default static), SOAK_DOMAIN (210),
# SOAK_RATE (publication rate in Hz, 2000), SOAK_INTERVAL (seconds between samples, 60),
# SOAK_OUT (folder of the CSV, the summaries and the logs; default a fresh temporary one),
# SOAK_RSS_GROWTH_KB (allowed RSS growth after warm-up, 32768).
# Fails when a process dies, when its RSS at the end exceeds its RSS after warm-up (the first
# sixth of the run) by more than the allowed growth, when its thread count at the end exceeds
# the count after warm-up, or when it received nothing. Needs capture rights (root or
# CAP_NET_RAW) for the capture.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-60}
veltrane=${VELTRANE:-build/tools/veltrane/veltrane}
domain=${SOAK_DOMAIN:-210}
rate=${SOAK_RATE:-2000}
interval=${SOAK_INTERVAL:-60}
growth_kb=${SOAK_RSS_GROWTH_KB:-32768}
out=${SOAK_OUT:-$(mktemp -d /tmp/veltrane-soak.XXXXXX)}
mkdir -p "$out"
csv=$out/soak.csv

[ -x "$veltrane" ] || { echo "soak: $veltrane is not built" >&2; exit 2; }
command -v ddsperf > /dev/null || { echo "soak: ddsperf (cyclonedds-tools) is missing" >&2; exit 2; }

# Cyclone on loopback only, so that everything it sends is on the captured interface.
export CYCLONEDDS_URI='<General><Interfaces><NetworkInterface name="lo" multicast="true"/></Interfaces></General><Discovery><ParticipantIndex>auto</ParticipantIndex></Discovery>'

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -INT "$pid" 2> /dev/null || true; done
  [ -z "${ddsperf_pid:-}" ] || kill -TERM "$ddsperf_pid" 2> /dev/null || true
}
trap cleanup EXIT

case ${SOAK_ACTIVE:-static} in
  static) active_command=monitor-readers ;;
  dynamic) active_command=monitor ;;
  *) echo "soak: SOAK_ACTIVE is static or dynamic" >&2; exit 2 ;;
esac
"$veltrane" "$active_command" -x tests/data/active/keyedseq_monitor.xml -d "$domain" -o /dev/null \
  --log-dir "$out/log-monitor" 2> "$out/monitor.summary" &
monitor_pid=$!
"$veltrane" capture -i lo -x tests/data/passive/keyedseq.xml -o /dev/null \
  --log-dir "$out/log-capture" 2> "$out/capture.summary" &
capture_pid=$!
pids=("$monitor_pid" "$capture_pid")
sleep 3
# A background job of a script starts with SIGINT ignored and ddsperf keeps it so: it is
# stopped with SIGTERM, and its -D bounds it should this script die first.
ddsperf -i "$domain" -D $(awk -v m="$minutes" 'BEGIN { printf "%d", m * 60 + 120 }') \
  pub "${rate}Hz" > "$out/ddsperf.log" 2>&1 &
ddsperf_pid=$!

status_field() {  # status_field <pid> <field>: the number of a /proc/<pid>/status line
  awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/status"
}

echo "minute,process,pid,rss_kb,hwm_kb,threads" > "$csv"
echo "soak: $minutes min, $active_command and capture, ddsperf pub ${rate} Hz on domain $domain, samples in $csv"
printf '%6s  %-8s %10s %10s %8s\n' minute process rss_kb hwm_kb threads
samples=$(awk -v m="$minutes" -v s="$interval" 'BEGIN { printf "%d", m * 60 / s }')
for ((i = 1; i <= samples; i++)); do
  sleep "$interval"
  for entry in "monitor:$monitor_pid" "capture:$capture_pid"; do
    name=${entry%%:*} pid=${entry#*:}
    if ! kill -0 "$pid" 2> /dev/null; then
      echo "soak: FAIL: $name (pid $pid) is gone" >&2
      cat "$out/$name.summary" >&2
      exit 1
    fi
    minute=$(awk -v i="$i" -v s="$interval" 'BEGIN { printf "%.1f", i * s / 60 }')
    rss=$(status_field "$pid" VmRSS) hwm=$(status_field "$pid" VmHWM) threads=$(status_field "$pid" Threads)
    echo "$minute,$name,$pid,$rss,$hwm,$threads" >> "$csv"
    printf '%6s  %-8s %10s %10s %8s\n' "$minute" "$name" "$rss" "$hwm" "$threads"
  done
done

kill -TERM "$ddsperf_pid" 2> /dev/null || true
wait "$ddsperf_pid" 2> /dev/null || true
ddsperf_pid=
kill -INT "$monitor_pid" "$capture_pid"
wait "$monitor_pid" || true
wait "$capture_pid" || true
pids=()

# Warm-up: the first sixth of the run (at least one sample) fills caches, pools and queues.
warm=$(( samples / 6 > 0 ? samples / 6 : 1 ))
failed=0
for name in monitor capture; do
  read -r warm_rss warm_threads end_rss end_threads max_rss < <(awk -F, -v n="$name" -v w="$warm" '
    $2 == n { k++; if (k == w) { wr = $4; wt = $6 } er = $4; et = $6; if ($4 > mr) mr = $4 }
    END { print wr, wt, er, et, mr }' "$csv")
  delivered=$(awk '/user samples delivered/ { print $NF; exit }' "$out/$name.summary")
  echo "$name: rss after warm-up ${warm_rss} kB, at the end ${end_rss} kB (max ${max_rss} kB);" \
    "threads ${warm_threads} -> ${end_threads}; user samples delivered ${delivered:-?}"
  if (( end_rss > warm_rss + growth_kb )); then
    echo "soak: FAIL: $name grew by $(( end_rss - warm_rss )) kB after warm-up (bound $growth_kb kB)" >&2
    failed=1
  fi
  if (( end_threads > warm_threads )); then
    echo "soak: FAIL: $name has $end_threads threads, $warm_threads after warm-up" >&2
    failed=1
  fi
  if [ "${delivered:-0}" -eq 0 ]; then
    echo "soak: FAIL: $name delivered no user sample" >&2
    failed=1
  fi
done
echo "summaries: $out/monitor.summary $out/capture.summary"
exit $failed
