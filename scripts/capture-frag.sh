#!/bin/bash
# Regenerates the recordings of tests/data/frag: real DATA_FRAG traffic of independent DDS
# peers and each publishing peer's log of the samples it wrote (JSON Lines).
#   cyclone_lo        Cyclone DDS (rich_peer publish-keyedseq) writing KeyedSeq samples of
#                     about 20 KB and 200 KB with small ones between, on lo (tcpdump, pcap)
#   cyclone_mtu1500   the same inside a network namespace whose loopback has MTU 1500: IPv4
#                     fragments and DATA_FRAG together
#   cyclone_dumpcap   fewer samples recorded by dumpcap with its defaults: a pcapng file
#   fastdds_100k      Fast DDS (fastdds_peer, UDP only) writing 100 KB samples on lo
# Domains 191-194, one per recording.
#   scripts/capture-frag.sh <build folder> [output folder]
set -euo pipefail

BUILD=${1:?usage: $0 <build folder> [output folder]}
OUT=${2:-$(dirname "$0")/../tests/data/frag}
RICH_PEER=$BUILD/tests/interop_peers/rich_peer
FAST_PEER=$BUILD/tests/interop_peers/fastdds_peer
export CYCLONEDDS_URI='<General><Interfaces><NetworkInterface name="lo" multicast="true"/></Interfaces></General><Discovery><ParticipantIndex>auto</ParticipantIndex></Discovery>'
SIZES=(100 20000 300 200000 50 20480 8 199999)
FEW_SIZES=(64 20000 30 21000)

filter() {  # filter <domain>: the 250 ports of a domain, 7400 + 250 * id onwards
  local first=$((7400 + 250 * $1))
  echo "udp and portrange ${first}-$((first + 249))"
}

capture() {  # capture <seconds> <file> <tool> <arguments...>; sets CAPTURE_PID
  local seconds=$1 file=$2 tool=$3
  shift 3
  rm -f "$file"
  if [ "$tool" = dumpcap ]; then
    dumpcap -q -a "duration:$seconds" -w "$file" "$@" 2> /dev/null &
  else
    timeout -s INT "$seconds" tcpdump -q -U -w "$file" "$@" 2> /dev/null &
  fi
  CAPTURE_PID=$!
  sleep 1.5
}

finish_capture() {  # finish_capture <file>
  wait "$CAPTURE_PID" || true
  chmod 644 "$1"
}

cyclone() {  # cyclone <name> <domain> <netns or -> <sizes...>; the capture is already running
  local name=$1 domain=$2 ns=$3
  shift 3
  local run=()
  [ "$ns" != - ] && run=(ip netns exec "$ns")
  "${run[@]}" "$RICH_PEER" subscribe "$domain" "${name}_topic" "$#" 20 > /dev/null &
  local listen_pid=$!
  "${run[@]}" "$RICH_PEER" publish-keyedseq "$domain" "${name}_topic" "$OUT/$name.jsonl" "$@"
  wait "$listen_pid"
}

mkdir -p "$OUT"

capture 12 "$OUT/cyclone_lo.pcap" tcpdump -i lo "$(filter 191)"
cyclone cyclone_lo 191 - "${SIZES[@]}"
finish_capture "$OUT/cyclone_lo.pcap"

NS=veltrane_frag_$$
ip netns add "$NS"
trap 'ip netns delete "$NS" 2> /dev/null || true' EXIT
ip netns exec "$NS" ip link set lo up mtu 1500 multicast on
# Only first IPv4 fragments carry the UDP ports: the namespace holds nothing else, so take all IP.
rm -f "$OUT/cyclone_mtu1500.pcap"
ip netns exec "$NS" timeout -s INT 12 tcpdump -q -U -w "$OUT/cyclone_mtu1500.pcap" -i lo ip 2> /dev/null &
CAPTURE_PID=$!
sleep 1.5
cyclone cyclone_mtu1500 192 "$NS" "${SIZES[@]}"
finish_capture "$OUT/cyclone_mtu1500.pcap"

capture 10 "$OUT/cyclone_dumpcap.pcapng" dumpcap -i lo -f "$(filter 193)"
cyclone cyclone_dumpcap 193 - "${FEW_SIZES[@]}"
finish_capture "$OUT/cyclone_dumpcap.pcapng"

capture 12 "$OUT/fastdds_100k.pcap" tcpdump -i lo "$(filter 194)"
"$FAST_PEER" listen 194 fastdds_100k_topic 9 200000 > /dev/null &
LISTEN_PID=$!
"$FAST_PEER" publish 194 fastdds_100k_topic 4 100000 "$OUT/fastdds_100k.jsonl" 200000
wait "$LISTEN_PID"
finish_capture "$OUT/fastdds_100k.pcap"

ls -l "$OUT"
