#pragma once

// Recordings built byte by byte (on top of the passive tests' WireBuilder): a Data(w) that
// announces a KeyedSeq writer (tests/data/passive/keyedseq.xml), user data of that writer as
// DATA, DATA_BATCH or DATA_SESSION, and whatever malformed frames a test adds, written as a
// classic pcap whose records may be cut short of the frame (caplen < len).

#include "passive/support/WireBuilder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvel::e2e {

using passive::testing::Bytes;
using passive::testing::Endian;

// ddsperf's KeyedSeq: uint32 seq, uint32 keyval (key), sequence<octet> baggage; final, XCDR1.
struct KeyedSeqValue {
  std::uint32_t seq = 0;
  std::uint32_t keyval = 0;
  Bytes baggage;
};
// The serialized body without encapsulation header, padded to 4 bytes.
Bytes KeyedSeqBody(const KeyedSeqValue& value, Endian endian);
// Encapsulation header (CDR_LE or CDR_BE) and body.
Bytes KeyedSeqPayload(const KeyedSeqValue& value, Endian endian);

// A writer of the recording: GUID prefix, entity id (kind 0x02: user writer with key) and topic.
struct SyntheticWriter {
  Bytes prefix;
  std::uint32_t entityId = 0x00000102;
  std::string topic;
  std::string GuidText() const;  // 32 lower-case hex digits
};
SyntheticWriter MakeWriter(std::uint8_t id, const std::string& topic);

// The Data(w) of `writer` for type "KeyedSeq"; `parameters` replaces the parameter list (after
// the encapsulation header) when not empty, for malformed announcements.
Bytes PublicationAnnouncement(const SyntheticWriter& writer, Endian endian, const Bytes& parameters = {});
// A CDR string parameter (PID_TOPIC_NAME, PID_TYPE_NAME): length with NUL, text, padding.
Bytes StringParameter(std::uint16_t pid, const std::string& text, Endian endian);

// An RTPS message from `prefix` holding `subMessages` (an INFO_TS first).
Bytes RtpsMessage(const Bytes& prefix, const Bytes& subMessages);
// An Ethernet/IPv4/UDP frame carrying `rtps` (user-data port of domain 0).
Bytes Frame(const Bytes& rtps, std::uint16_t ipId);

struct RecordedFrame {
  Bytes bytes;
  std::uint32_t capturedLength = 0;  // 0: the whole frame
};
void WriteRecording(const std::string& path, const std::vector<RecordedFrame>& frames);

// A fresh path under the build folder for one test's recording.
std::string ScratchRecordingPath(const std::string& name);

}  // namespace Quorvel::e2e
