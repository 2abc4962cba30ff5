#!/bin/bash
# RECORD_DISSECTION throughput against tshark and the libpcap limit, side by side in one run.
# Records (not committed) ddsperf publishing KeyedSeq at 20 kHz, size 0 and size 1024, long
# enough for at least 200,000 user samples each, then for each recording measures:
#   veltrane   the engine (public library), JSON output delivered to a listener
#   tshark -T json > /dev/null, tshark -V > /dev/null
#   pcap_loop  a bare libpcap read loop (the limit)
# and prints samples/s and MB of pcap/s for each, the ratios, the engine's peak resident memory
# (/usr/bin/time) and the load average. Each reader's time is the median of REPEATS runs (3),
# the readers taking turns, so that one run slowed by the shared machine does not decide a
# ratio.
#   bench/passive-recording.sh <build folder> [work folder] [seconds of traffic]
set -euo pipefail

BUILD=${1:?usage: $0 <build folder> [work folder] [seconds]}
WORK=${2:-$BUILD/passive-recording-bench}
SECONDS_OF_TRAFFIC=${3:-14}
THREADS=${THREADS:-2}
REPEATS=${REPEATS:-3}
TYPES=$(cd "$(dirname "$0")/.." && pwd)/tests/data/passive/keyedseq.xml
ENGINE=$BUILD/bench/veltrane_passive_recording_bench
LOOP=$BUILD/bench/veltrane_pcap_read_loop
DOMAIN=190
FIRST_PORT=$((7400 + 250 * DOMAIN))
export CYCLONEDDS_URI='<General><Interfaces><NetworkInterface name="lo" multicast="true"/></Interfaces></General><Discovery><ParticipantIndex>auto</ParticipantIndex></Discovery>'
mkdir -p "$WORK"

record() {  # record <file> <size>
  local file=$1 size=$2
  rm -f "$file"
  # A large buffer so that tcpdump keeps up with 20,000 samples a second.
  timeout -s INT $((SECONDS_OF_TRAFFIC + 5)) tcpdump -q -B 65536 -i lo -U -w "$file" \
    "udp and portrange ${FIRST_PORT}-$((FIRST_PORT + 249))" 2> /dev/null &
  local capture_pid=$!
  sleep 1.5
  ddsperf -i "$DOMAIN" -D $((SECONDS_OF_TRAFFIC + 1)) sub > /dev/null &
  local sub_pid=$!
  ddsperf -i "$DOMAIN" -D "$SECONDS_OF_TRAFFIC" pub 20000Hz size "$size" > /dev/null
  wait "$sub_pid" || true
  wait "$capture_pid" || true
}

seconds_of() {  # seconds_of <command...>: wall time in seconds
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

median() {  # median <values...>
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

row() {  # row <name> <samples> <seconds> <MB>
  awk -v n="$1" -v s="$2" -v t="$3" -v m="$4" \
    'BEGIN { printf "| %-16s | %9d | %8.2f | %10.0f | %7.1f |\n", n, s, t, s / t, m / t }'
}

for size in 0 1024; do
  file=$WORK/ddsperf_20khz_size${size}.pcap
  [ -s "$file" ] || record "$file" "$size"
  megabytes=$(stat -c %s "$file" | awk '{ print $1 / 1e6 }')
  frames=$("$LOOP" "$file" | awk '{ print $2 }')
  # Samples: DATA sub-messages carrying data, as tshark decodes them (user samples and the few
  # dozen discovery announcements; HEARTBEATs and GAPs of the writer are not samples).
  samples=$(tshark -r "$file" -T fields -e rtps.flag.data_present 2> /dev/null | tr ',' '\n' | grep -c '^1$' || true)
  echo
  echo "## ddsperf KeyedSeq 20 kHz, size $size: $(basename "$file"), $frames frames, $samples user samples, $megabytes MB"
  echo "| reader | samples | seconds | samples/s | MB/s |"
  echo "|---|---|---|---|---|"
  engine_runs=() json_runs=() verbose_runs=() loop_runs=()
  for ((run = 0; run < REPEATS; run++)); do
    read -r _ engine_samples seconds _ <<< "$(/usr/bin/time -f %M -o "$WORK/engine-rss.txt" \
      "$ENGINE" "$file" "$TYPES" "$THREADS")"
    engine_runs+=("$seconds")
    json_runs+=("$(seconds_of bash -c "tshark -r '$file' -T json > /dev/null")")
    verbose_runs+=("$(seconds_of bash -c "tshark -r '$file' -V > /dev/null")")
    loop_runs+=("$("$LOOP" "$file" | awk '{ print $3 }')")
  done
  engine_seconds=$(median "${engine_runs[@]}")
  json_seconds=$(median "${json_runs[@]}")
  verbose_seconds=$(median "${verbose_runs[@]}")
  loop_seconds=$(median "${loop_runs[@]}")
  echo "runs (s): veltrane ${engine_runs[*]}; tshark -T json ${json_runs[*]}; tshark -V ${verbose_runs[*]}"
  row "veltrane (JSON)" "$engine_samples" "$engine_seconds" "$megabytes"
  row "tshark -T json" "$samples" "$json_seconds" "$megabytes"
  row "tshark -V" "$samples" "$verbose_seconds" "$megabytes"
  row "pcap_loop" "$samples" "$loop_seconds" "$megabytes"
  awk -v e="$engine_seconds" -v j="$json_seconds" -v n="$engine_samples" -v s="$samples" \
    'BEGIN { printf "veltrane / tshark -T json: %.1f x (samples/s); veltrane delivered %d of %d\n", (n / e) / (s / j), n, s }'
  awk -v e="$engine_seconds" -v v="$verbose_seconds" -v l="$loop_seconds" -v n="$engine_samples" -v s="$samples" \
    'BEGIN { printf "veltrane / tshark -V: %.1f x; fraction of the bare libpcap loop: %.4f\n", (n / e) / (s / v), (n / e) / (s / l) }'
  echo "veltrane peak resident memory: $(awk '{ printf "%.0f", $1 / 1024 }' "$WORK/engine-rss.txt") MB; load average $(cut -d' ' -f1-3 /proc/loadavg)"
done
