#!/bin/bash
# tshark's decode of the endpoint announcements of a recording, the reference for the
# discovery samples and topic names the engine delivers. One line per Data(p), Data(w), Data(r):
#   frame;w or r;endpoint GUID (32 hex digits);topic name;type name
#   frame;p;participant GUID (32 hex digits);protocol version;
# Topic, type and version are empty in the key-only announcements of entities that went away.
#   tests/data/passive/decode-endpoints.sh FILE.pcap > FILE.endpoints.txt
set -euo pipefail
tshark -r "$1" -T pdml | python3 -c '
import sys, xml.etree.ElementTree as ET
kinds = {"0x000003c2": "w", "0x000004c2": "r", "0x000100c2": "p"}
for packet in ET.parse(sys.stdin).getroot():
    frame = next(f.get("show") for f in packet.iter("field") if f.get("name") == "frame.number")
    for rtps in (p for p in packet if p.get("name") == "rtps"):
        for sub in rtps:
            fields = {}
            for f in sub.iter("field"):
                fields.setdefault(f.get("name"), f.get("show"))
            kind = kinds.get(fields.get("rtps.sm.wrEntityId", "").lower())
            if kind == "p":
                guid = fields.get("rtps.param.participant_guid")
                major = fields.get("rtps.version.major")
                minor = fields.get("rtps.version.minor")
                text = "%s.%s" % (major, minor) if major is not None else ""
                detail = (text, "")
            else:
                guid = fields.get("rtps.param.endpoint_guid")
                detail = (fields.get("rtps.param.topicName", ""),
                          fields.get("rtps.param.typeName", ""))
            if kind is None or guid is None:
                continue
            print("%s;%s;%s;%s;%s" % ((frame, kind, guid.replace(":", "")) + detail))
'
