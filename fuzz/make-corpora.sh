#!/usr/bin/env bash
# Seed corpora of the fuzz targets, from the data of the test suite:
#   rtps_message     every RTPS UDP payload of the recordings (tshark's reassembly and decode)
#   ethernet_frames  runs of consecutive frames of each recording, behind its link-type byte
#   cdr_roundtrip    the golden payloads behind their type and encoding bytes
#   xml_profiles     every DDS XML file of tests/data behind each reader's selector byte
#   engine_config    the configuration files of fuzz/seeds/engine_config
#   injection        the golden dissections as JSON text and as key=value maps
# Usage: fuzz/make-corpora.sh <output-dir>   (existing corpora there are replaced)
set -euo pipefail

out=${1:?usage: make-corpora.sh <output-dir>}
here=$(cd "$(dirname "$0")" && pwd)
data=$here/../tests/data
command -v tshark >/dev/null || { echo "make-corpora.sh: tshark is needed" >&2; exit 1; }

names=(rtps_message ethernet_frames cdr_roundtrip xml_profiles engine_config injection)
for name in "${names[@]}"; do
  rm -rf "${out:?}/$name"
  mkdir -p "$out/$name"
done

# Writes stdin to <dir>/<sha1 of the content>, as libFuzzer names corpus files.
seed() {
  local dir=$1 tmp hash
  tmp=$(mktemp "$dir/.seed.XXXXXX")
  cat >"$tmp"
  hash=$(sha1sum "$tmp" | cut -d' ' -f1)
  mv "$tmp" "$dir/$hash"
}

recordings=$(find "$data" -name '*.pcap' -o -name '*.pcapng' | sort)

# tshark joins IPv4 fragments itself; its udp.payload is the whole datagram.
for recording in $recordings; do
  tshark -r "$recording" -Y rtps -T fields -e udp.payload 2>/dev/null
done | python3 -c '
import hashlib, os, sys
for line in sys.stdin:
    line = line.strip()
    if line:
        payload = bytes.fromhex(line)
        with open(os.path.join(sys.argv[1], hashlib.sha1(payload).hexdigest()), "wb") as f:
            f.write(payload)
' "$out/rtps_message"

# Frames in runs of 12 (enough to hold the fragments of one datagram of the recordings'
# samples), each behind its 16-bit length, after the byte choosing the target's link type.
python3 - "$out/ethernet_frames" $recordings <<'PY'
import hashlib, os, struct, subprocess, sys, tempfile
out, recordings = sys.argv[1], sys.argv[2:]
link_byte = {1: 0, 113: 1, 276: 2, 0: 3, 108: 3, 101: 4, 12: 4, 14: 4}
run = 12
for recording in recordings:
    path = recording
    if recording.endswith('.pcapng'):
        handle, path = tempfile.mkstemp(suffix='.pcap')
        os.close(handle)
        subprocess.run(['editcap', '-F', 'pcap', recording, path], check=True)
    with open(path, 'rb') as f:
        data = f.read()
    if path != recording:
        os.remove(path)
    magic = data[:4]
    order = '<' if magic in (b'\xd4\xc3\xb2\xa1', b'\x4d\x3c\xb2\xa1') else '>'
    linktype = struct.unpack(order + 'I', data[20:24])[0]
    if linktype not in link_byte:
        continue
    frames, offset = [], 24
    while offset + 16 <= len(data):
        caplen = struct.unpack(order + 'I', data[offset + 8:offset + 12])[0]
        frames.append(data[offset + 16:offset + 16 + caplen][:0xffff])
        offset += 16 + caplen
    for start in range(0, len(frames), run):
        seed = bytes([link_byte[linktype]]) + b''.join(
            struct.pack('>H', len(frame)) + frame for frame in frames[start:start + run])
        with open(os.path.join(out, hashlib.sha1(seed).hexdigest()), 'wb') as f:
            f.write(seed)
PY

# The type index of each golden sample (the target's fixed first selector values), and the
# encoding byte: 0 re-encodes as the type's default, 0x81 as XCDR1 big-endian, 0x02 as XCDR2.
type_index() {
  case $1 in
    final_*) echo 0 ;;
    extras_*) echo 1 ;;
    appendable_*) echo 2 ;;
    mutable_*) echo 3 ;;
    evolved_appendable*) echo 4 ;;
    evolved_mutable*) echo 5 ;;
    *) echo 0 ;;
  esac
}
for bin in "$data"/golden/rich/*.bin; do
  index=$(type_index "$(basename "$bin")")
  for encoding in 00 81 02; do
    { printf "\\x$(printf %02x "$index")\\x$encoding"; cat "$bin"; } | seed "$out/cdr_roundtrip"
  done
done

# Selector 0: the QoS provider; 1 and 3: the engine's loader for introspection and for an
# active engine (participant mapping).
find "$data" -name '*.xml' | sort | while read -r xml; do
  for selector in 00 01 03; do
    { printf "\\x$selector"; cat "$xml"; } | seed "$out/xml_profiles"
  done
done

for xml in "$here"/seeds/engine_config/*.xml; do seed "$out/engine_config" <"$xml"; done

# Form byte: 0 JSON text, 1 flat map, 2 and 3 the same with unused fields reported.
for sample in "$data"/dissection/*/; do
  index=$(type_index "$(basename "$sample")")
  for json in "$sample"*.json; do
    for form in 00 02; do
      { printf "\\x$(printf %02x "$index")\\x$form"; cat "$json"; } | seed "$out/injection"
    done
  done
  for map in "$sample"*.map; do
    for form in 01 03; do
      { printf "\\x$(printf %02x "$index")\\x$form"
        sed -E 's/^([^ ]*) = "(.*)"$/\1=\2/' "$map"; } | seed "$out/injection"
    done
  done
done

for name in "${names[@]}"; do
  printf '%-16s %5d seeds\n' "$name" "$(find "$out/$name" -type f | wc -l)"
done
