#!/bin/bash
# Regenerates examples/recordings/harbor.pcap: the harbor example's traffic between two Cyclone
# DDS peers (examples/peer, built with the project) on `lo`, domain 166, as tcpdump records it
# (classic pcap, Ethernet link type). tcpdump rather than tshark: on these machines dumpcap
# records nothing while tcpdump through the same libpcap works.
#   scripts/capture-example.sh [build folder] [output file]
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
OUT=${2:-examples/recordings/harbor.pcap}
PEER=$BUILD/examples/peer/harbor_peer
DOMAIN=166
ROUNDS=20
# Ports of a domain: 7400 + 250 * domain id, 250 wide.
FIRST_PORT=$((7400 + 250 * DOMAIN))
FILTER="udp and portrange ${FIRST_PORT}-$((FIRST_PORT + 249))"

if [ ! -x "$PEER" ]; then
  cmake --build "$BUILD" --target harbor_peer
fi

mkdir -p "$(dirname "$OUT")"
rm -f "$OUT"
timeout -s INT 8 tcpdump -q -i lo -U -w "$OUT" "$FILTER" 2> /dev/null &
capture_pid=$!
sleep 1.5
"$PEER" subscribe "$DOMAIN" $((ROUNDS * 5)) 6 > /dev/null &
subscriber_pid=$!
sleep 0.5
"$PEER" publish "$DOMAIN" "$ROUNDS" 100 > /dev/null
wait "$subscriber_pid"
wait "$capture_pid" || true
chmod 644 "$OUT"
ls -l "$OUT"
