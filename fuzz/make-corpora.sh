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

# The golden payloads, the XML files and the golden dissections, each behind the selector
# bytes of its target:
#   cdr_roundtrip  type index (the target's fixed first values), then the re-encoding: 0x00 the
#                  type's default, 0x81 XCDR1 big-endian, 0x02 XCDR2 little-endian
#   xml_profiles   0x00 the QoS provider; 0x01 and 0x03 the engine's loader for introspection
#                  and for an active engine (participant mapping)
#   injection      type index, then the form: 0 JSON text, 1 flat map (key=value lines of the
#                  .map files), 2 and 3 the same with unused fields reported
python3 - "$out" "$data" "$here/seeds/engine_config" <<'PY'
import glob, hashlib, os, re, sys
out, data, configs = sys.argv[1:4]

def seed(target, content):
    with open(os.path.join(out, target, hashlib.sha1(content).hexdigest()), 'wb') as f:
        f.write(content)

def type_index(name):
    for prefix, index in (('final_', 0), ('extras_', 1), ('appendable_', 2), ('mutable_', 3),
                          ('evolved_appendable', 4), ('evolved_mutable', 5)):
        if name.startswith(prefix):
            return index
    return 0

def read(path):
    with open(path, 'rb') as f:
        return f.read()

for path in sorted(glob.glob(os.path.join(data, 'golden/rich/*.bin'))):
    for encoding in (0x00, 0x81, 0x02):
        seed('cdr_roundtrip', bytes([type_index(os.path.basename(path)), encoding]) + read(path))

for path in sorted(glob.glob(os.path.join(data, '**/*.xml'), recursive=True)):
    for selector in (0x00, 0x01, 0x03):
        seed('xml_profiles', bytes([selector]) + read(path))

for path in sorted(glob.glob(os.path.join(configs, '*.xml'))):
    seed('engine_config', read(path))

for folder in sorted(glob.glob(os.path.join(data, 'dissection/*/'))):
    index = type_index(os.path.basename(os.path.dirname(folder)))
    for path in sorted(glob.glob(folder + '*.json')):
        for form in (0, 2):
            seed('injection', bytes([index, form]) + read(path))
    for path in sorted(glob.glob(folder + '*.map')):
        lines = read(path).decode().splitlines()
        flat = '\n'.join(re.sub(r'^(\S*) = "(.*)"$', r'\1=\2', line) for line in lines)
        for form in (1, 3):
            seed('injection', bytes([index, form]) + flat.encode())
PY

for name in "${names[@]}"; do
  printf '%-16s %5d seeds\n' "$name" "$(find "$out/$name" -type f | wc -l)"
done
