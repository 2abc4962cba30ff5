#!/bin/bash
# RECORD_DISSECTION of large fragmented samples beside small ones, in one run.
# Records (not committed):
#   frag_100k    Cyclone DDS (rich_peer publish-keyedseq) writing 10,000 KeyedSeq samples of
#                100 KB (about 75 DATA_FRAG sub-messages each), domain 195
#   small        ddsperf publishing KeyedSeq size 0 at 20 kHz (the small-sample workload of
#                bench/passive-recording.sh), domain 195
# then dissects each with the veltrane tool (JSON Lines to a pipe that counts them) under
# /usr/bin/time -v and prints samples/s, MB of pcap/s and peak resident memory.
#   bench/frag-recording.sh <build folder> [work folder]
set -euo pipefail

BUILD=${1:?usage: $0 <build folder> [work folder]}
WORK=${2:-$BUILD/frag-recording-bench}
THREADS=${THREADS:-2}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TYPES=$ROOT/tests/data/passive/keyedseq.xml
RICH_PEER=$BUILD/tests/interop_peers/rich_peer
VELTRANE=$BUILD/tools/veltrane/veltrane
DOMAIN=195
FIRST_PORT=$((7400 + 250 * DOMAIN))
FILTER="udp and portrange ${FIRST_PORT}-$((FIRST_PORT + 249))"
export CYCLONEDDS_URI='<General><Interfaces><NetworkInterface name="lo" multicast="true"/></Interfaces></General><Discovery><ParticipantIndex>auto</ParticipantIndex></Discovery>'
mkdir -p "$WORK"

start_capture() {  # start_capture <file> <seconds>; sets CAPTURE_PID
  rm -f "$1"
  # A large buffer so that tcpdump keeps up with about 100 MB/s on lo.
  timeout -s INT "$2" tcpdump -q -B 262144 -i lo -U -w "$1" "$FILTER" 2> /dev/null &
  CAPTURE_PID=$!
  sleep 1.5
}

record_large() {  # record_large <file>
  start_capture "$1" 120
  "$RICH_PEER" subscribe "$DOMAIN" frag_bench 10000 110 > /dev/null &
  local sub_pid=$!
  "$RICH_PEER" publish-keyedseq "$DOMAIN" frag_bench "$WORK/frag_100k.jsonl" 10000x100000 interval=2
  wait "$sub_pid" || true
  sleep 1
  kill -INT "$CAPTURE_PID" 2> /dev/null || true
  wait "$CAPTURE_PID" || true
}

record_small() {  # record_small <file>
  start_capture "$1" 16
  ddsperf -i "$DOMAIN" -D 12 sub > /dev/null &
  local sub_pid=$!
  ddsperf -i "$DOMAIN" -D 10 pub 20000Hz size 0 > /dev/null
  wait "$sub_pid" || true
  wait "$CAPTURE_PID" || true
}

measure() {  # measure <name> <file>
  local name=$1 file=$2 times=$WORK/time.txt samples start end
  start=$(date +%s.%N)
  samples=$(/usr/bin/time -v -o "$times" "$VELTRANE" dissect "$file" -x "$TYPES" -j "$THREADS" \
              --no-progress --no-summary --log-dir "$WORK/logs" | wc -l)
  end=$(date +%s.%N)
  local megabytes peak
  megabytes=$(stat -c %s "$file" | awk '{ print $1 / 1e6 }')
  peak=$(awk -F': ' '/Maximum resident set size/ { print $2 / 1024 }' "$times")
  awk -v n="$name" -v s="$samples" -v a="$start" -v b="$end" -v m="$megabytes" -v p="$peak" \
    'BEGIN { t = b - a; printf "| %-22s | %8.0f | %9d | %7.2f | %9.0f | %7.1f | %7.0f |\n", n, m, s, t, s / t, m / t, p }'
}

[ -s "$WORK/frag_100k.pcap" ] || record_large "$WORK/frag_100k.pcap"
[ -s "$WORK/small.pcap" ] || record_small "$WORK/small.pcap"
echo "| recording | MB | samples | seconds | samples/s | MB/s | peak RSS (MB) |"
echo "|---|---|---|---|---|---|---|"
measure "10,000 x 100 KB (frag)" "$WORK/frag_100k.pcap"
measure "ddsperf size 0, 20 kHz" "$WORK/small.pcap"
echo "logged by the peer: $(wc -l < "$WORK/frag_100k.jsonl") samples of 100 KB"
