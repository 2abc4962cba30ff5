#!/bin/bash
# Regenerates the recordings of tests/data/passive_e2e: real traffic of independent DDS peers,
# each publishing peer's log of the samples it wrote (JSON Lines) and tshark's decode of every
# DATA sub-message, side by side with each recording.
#   rich_lo         Cyclone DDS (rich_peer) writing every Rich type, XCDR1 and XCDR2 topics, on lo
#   rich_any        the same captured on `any` (Linux cooked capture)
#   fastdds_lo      Fast DDS (fastdds_peer, UDP only) writing E2E::FastSample on lo
#   fastdds_fragments  Fast DDS with 5-6 KB samples inside a network namespace whose loopback
#                   has MTU 1500, so every sample arrives as IPv4 fragments
# Domains 186-189, one per recording. tcpdump captures (dumpcap records nothing on these VMs).
#   scripts/capture-passive-e2e.sh <build folder> [output folder]
# With DECODE_ONLY=1 only tshark's decode of the recordings already there is made again.
set -euo pipefail

BUILD=${1:?usage: $0 <build folder> [output folder]}
OUT=${2:-$(dirname "$0")/../tests/data/passive_e2e}
RICH_PEER=$BUILD/tests/interop_peers/rich_peer
FAST_PEER=$BUILD/tests/interop_peers/fastdds_peer
export CYCLONEDDS_URI='<General><Interfaces><NetworkInterface name="lo" multicast="true"/></Interfaces></General><Discovery><ParticipantIndex>auto</ParticipantIndex></Discovery>'

filter() {  # filter <domain>: the 250 ports of a domain, 7400 + 250 * id onwards
  local first=$((7400 + 250 * $1))
  echo "udp and portrange ${first}-$((first + 249))"
}

start_capture() {  # start_capture <seconds> <file> <tcpdump arguments...>; sets CAPTURE_PID
  local seconds=$1 file=$2
  shift 2
  rm -f "$file"
  timeout -s INT "$seconds" tcpdump -q -U -w "$file" "$@" 2> /dev/null &
  CAPTURE_PID=$!
  sleep 1.5
}

finish_capture() {  # finish_capture <file>
  wait "$CAPTURE_PID" || true
  chmod 644 "$1"
}

rich() {  # rich <interface> <name> <domain> [tcpdump options]
  local iface=$1 name=$2 domain=$3
  shift 3
  start_capture 14 "$OUT/$name.pcap" -i "$iface" "$@" "$(filter "$domain")"
  "$RICH_PEER" listen "$domain" "$name" 10 > /dev/null &
  local listen_pid=$!
  "$RICH_PEER" publish "$domain" xcdr1 "$name" 1 "$OUT/$name.xcdr1.jsonl"
  "$RICH_PEER" publish "$domain" xcdr2 "$name" 1 "$OUT/$name.xcdr2.jsonl"
  wait "$listen_pid"
  finish_capture "$OUT/$name.pcap"
}

fastdds() {  # fastdds <name> <domain> <count> <text length> [netns]
  local name=$1 domain=$2 count=$3 length=$4 ns=${5:-}
  local run=()
  if [ -n "$ns" ]; then
    run=(ip netns exec "$ns")
    # Only first fragments carry the UDP ports: the namespace holds nothing else, so take all IP.
    rm -f "$OUT/$name.pcap"
    ip netns exec "$ns" timeout -s INT 14 tcpdump -q -U -w "$OUT/$name.pcap" -i lo ip 2> /dev/null &
    CAPTURE_PID=$!
    sleep 1.5
  else
    start_capture 14 "$OUT/$name.pcap" -i lo "$(filter "$domain")"
  fi
  "${run[@]}" "$FAST_PEER" listen "$domain" "${name}_topic" 10 > /dev/null &
  local listen_pid=$!
  "${run[@]}" "$FAST_PEER" publish "$domain" "${name}_topic" "$count" "$length" "$OUT/$name.jsonl"
  wait "$listen_pid"
  finish_capture "$OUT/$name.pcap"
}

# The reference: one line per DATA sub-message as tshark decodes it,
#   frame;writer GUID (prefix and entity id, 32 hex digits);sequence number;data present (1/0);
#   topic;type;endpoint GUID
# the last three where tshark knows them (the endpoint GUID in discovery announcements only).
decode() {  # decode <file>
  tshark -r "$1" -T pdml | python3 -c '
import sys, xml.etree.ElementTree as ET
def number(text):
    return int(text, 16) if text.startswith("0x") else int(text)
for packet in ET.parse(sys.stdin).getroot():
    frame = next(f.get("show") for f in packet.iter("field") if f.get("name") == "frame.number")
    for rtps in (p for p in packet if p.get("name") == "rtps"):
        prefix, current, rows = None, None, []
        for f in rtps.iter("field"):
            name, show = f.get("name"), f.get("show")
            if name == "rtps.guidPrefix.src" and prefix is None:
                prefix = show.replace(":", "")
            elif name == "rtps.sm.id":
                current = {"writer": None, "seq": None, "data": None, "topic": "", "type": "", "guid": ""} if number(show) == 0x15 else None
                if current is not None:
                    rows.append(current)
            elif current is None:
                continue
            elif name == "rtps.sm.wrEntityId" and current["writer"] is None:
                current["writer"] = "%08x" % number(show)
            elif name == "rtps.sm.seqNumber" and current["seq"] is None:
                current["seq"] = show
            elif name == "rtps.flag.data_present" and current["data"] is None:
                current["data"] = "1" if show == "1" else "0"
            elif name == "rtps.param.topicName":
                current["topic"] = show
            elif name == "rtps.param.typeName":
                current["type"] = show
            elif name == "rtps.param.endpoint_guid":
                current["guid"] = show.replace(" ", "").replace(":", "")
        for row in rows:
            print("%s;%s%s;%s;%s;%s;%s;%s" % (frame, prefix, row["writer"], row["seq"], row["data"], row["topic"], row["type"], row["guid"]))
' > "${1%.pcap}.tshark.txt"
}

mkdir -p "$OUT"
if [ "${DECODE_ONLY:-0}" = 1 ]; then
  for file in "$OUT"/*.pcap; do decode "$file"; done
  exit 0
fi
rich lo rich_lo 186
rich any rich_any 187
fastdds fastdds_lo 188 40 60
NS=veltrane_e2e_$$
ip netns add "$NS"
trap 'ip netns delete "$NS" 2> /dev/null || true' EXIT
ip netns exec "$NS" ip link set lo up mtu 1500 multicast on
fastdds fastdds_fragments 189 12 5000 "$NS"
for file in "$OUT"/*.pcap; do decode "$file"; done
ls -l "$OUT"
