#!/bin/bash
# Regenerates the small ddsperf recordings under tests/data/passive: one on `lo` (Ethernet link
# type) and one on `any` (Linux cooked capture), both of a Cyclone publisher and subscriber on
# a domain of their own, and tshark's decode of each as the independent reference.
# tcpdump captures: on these VMs dumpcap (and so `tshark -i`) records nothing at all, while
# tcpdump through the same libpcap works.
#   scripts/capture-ddsperf.sh [output folder]
set -euo pipefail

OUT=${1:-$(dirname "$0")/../tests/data/passive}
DOMAIN=57
# Ports of a domain: 7400 + 250 * domain id, 250 wide.
FIRST_PORT=$((7400 + 250 * DOMAIN))
LAST_PORT=$((FIRST_PORT + 249))
FILTER="udp and portrange ${FIRST_PORT}-${LAST_PORT}"
export CYCLONEDDS_URI='<General><Interfaces><NetworkInterface name="lo" multicast="true"/></Interfaces></General><Discovery><ParticipantIndex>auto</ParticipantIndex></Discovery>'

capture() {  # capture <interface> <file> <pub rate> <size> [tcpdump options]
  local iface=$1 file=$2 rate=$3 size=$4
  shift 4
  rm -f "$file"
  timeout -s INT 4.5 tcpdump -q -i "$iface" "$@" -U -w "$file" "$FILTER" 2> /dev/null &
  local capture_pid=$!
  sleep 1.5
  ddsperf -i "$DOMAIN" -D 2 sub > /dev/null &
  local sub_pid=$!
  ddsperf -i "$DOMAIN" -D 2 pub "$rate" size "$size" > /dev/null
  wait "$sub_pid" || true
  wait "$capture_pid" || true
  chmod 644 "$file"
}

# The reference: one line per sub-message as tshark decodes it,
#   frame;index in message;sub-message id;GUID prefix;writer entity id;sequence number
# the last two for DATA (0x15) only.
decode() {  # decode <file>
  tshark -r "$1" -T pdml | python3 -c '
import sys, xml.etree.ElementTree as ET
for packet in ET.parse(sys.stdin).getroot():
    frame = next(f.get("show") for f in packet.iter("field") if f.get("name") == "frame.number")
    for rtps in (p for p in packet if p.get("name") == "rtps"):
        prefix, subs = None, []
        for f in rtps.iter("field"):
            name, show = f.get("name"), f.get("show")
            if name == "rtps.guidPrefix.src" and prefix is None:
                prefix = show.replace(":", "")
            elif name == "rtps.sm.id":
                subs.append([int(show, 16) if show.startswith("0x") else int(show), None, None])
            elif subs and subs[-1][0] == 0x15 and name == "rtps.sm.wrEntityId" and subs[-1][1] is None:
                subs[-1][1] = int(show, 16) if show.startswith("0x") else int(show)
            elif subs and subs[-1][0] == 0x15 and name == "rtps.sm.seqNumber" and subs[-1][2] is None:
                subs[-1][2] = int(show)
        for i, (sm, writer, seq) in enumerate(subs):
            w = "%08x" % writer if writer is not None else ""
            q = str(seq) if seq is not None else ""
            print("%s;%d;0x%02x;%s;%s;%s" % (frame, i, sm, prefix, w, q))
' > "${1%.pcap}.tshark.txt"
}

# Inside a network namespace whose loopback has MTU 1500, so 4 KB samples travel as IP
# fragments (the namespace is the script's own and removed afterwards).
capture_fragmented() {  # capture_fragmented <file>
  local file=$1 ns=veltrane_capture_$$
  ip netns add "$ns"
  ip netns exec "$ns" ip link set lo up mtu 1500 multicast on
  rm -f "$file"
  # Only first fragments carry the UDP ports: the namespace holds nothing else, so take all IP.
  ip netns exec "$ns" timeout -s INT 4.5 tcpdump -q -i lo -U -w "$file" ip 2> /dev/null &
  local capture_pid=$!
  sleep 1.5
  ip netns exec "$ns" ddsperf -i "$DOMAIN" -D 2 sub > /dev/null &
  local sub_pid=$!
  ip netns exec "$ns" ddsperf -i "$DOMAIN" -D 2 pub 20Hz size 4000 > /dev/null
  wait "$sub_pid" || true
  wait "$capture_pid" || true
  chmod 644 "$file"
  ip netns delete "$ns"
}

mkdir -p "$OUT"
capture lo "$OUT/ddsperf_lo.pcap" 100Hz 0
capture any "$OUT/ddsperf_any.pcap" 50Hz 1024
capture any "$OUT/ddsperf_any_sll1.pcap" 50Hz 100 -y LINUX_SLL
capture_fragmented "$OUT/ddsperf_fragments.pcap"
for file in "$OUT"/ddsperf_*.pcap; do decode "$file"; done
ls -l "$OUT"/ddsperf_*
