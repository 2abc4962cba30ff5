#include "SyntheticRecording.h"

#include <cstdio>
#include <filesystem>

namespace Quorvel::e2e {
namespace {

using passive::testing::Append;
using passive::testing::PutU16;
using passive::testing::PutU32;

void Pad4(Bytes& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

}  // namespace

Bytes KeyedSeqBody(const KeyedSeqValue& value, Endian endian) {
  Bytes body;
  PutU32(body, value.seq, endian);
  PutU32(body, value.keyval, endian);
  PutU32(body, static_cast<std::uint32_t>(value.baggage.size()), endian);
  Append(body, value.baggage);
  Pad4(body);
  return body;
}

Bytes KeyedSeqPayload(const KeyedSeqValue& value, Endian endian) {
  Bytes payload{0x00, static_cast<std::uint8_t>(endian == Endian::LITTLE ? 0x01 : 0x00), 0x00, 0x00};
  Append(payload, KeyedSeqBody(value, endian));
  return payload;
}

std::string SyntheticWriter::GuidText() const {
  std::string text;
  char digits[3];
  for (const std::uint8_t byte : prefix) {
    std::snprintf(digits, sizeof digits, "%02x", byte);
    text += digits;
  }
  char entity[9];
  std::snprintf(entity, sizeof entity, "%08x", entityId);
  return text + entity;
}

SyntheticWriter MakeWriter(std::uint8_t id, const std::string& topic) {
  return {Bytes{0x01, 0x0f, 0xe2, 0xe0, 0x00, 0x00, 0x00, id, 0x00, 0x00, 0x00, 0x01}, 0x00000102, topic};
}

Bytes StringParameter(std::uint16_t pid, const std::string& text, Endian endian) {
  Bytes value;
  PutU32(value, static_cast<std::uint32_t>(text.size() + 1), endian);
  value.insert(value.end(), text.begin(), text.end());
  value.push_back(0);
  Pad4(value);
  return passive::testing::Parameter(pid, value, endian);
}

Bytes PublicationAnnouncement(const SyntheticWriter& writer, Endian endian, const Bytes& parameters) {
  Bytes payload{0x00, static_cast<std::uint8_t>(endian == Endian::LITTLE ? 0x03 : 0x02), 0x00, 0x00};
  if (parameters.empty()) {
    Append(payload, StringParameter(0x0005, writer.topic, endian));
    Append(payload, StringParameter(0x0007, "KeyedSeq", endian));
    Bytes guid = writer.prefix;
    PutU32(guid, writer.entityId, Endian::BIG);
    Append(payload, passive::testing::Parameter(0x005A, guid, endian));
    Append(payload, passive::testing::Sentinel(endian));
  } else {
    Append(payload, parameters);
  }
  passive::testing::DataSpec spec;
  spec.endian = endian;
  spec.writerId = 0x000003C2;
  spec.readerId = 0x000003C7;
  spec.sequence = writer.prefix[7];
  spec.payload = payload;
  return passive::testing::Data(spec);
}

Bytes RtpsMessage(const Bytes& prefix, const Bytes& subMessages) {
  Bytes message = passive::testing::RtpsHeader(prefix);
  Append(message, passive::testing::InfoTs(1700000000, 0x80000000, Endian::LITTLE));
  Append(message, subMessages);
  return message;
}

Bytes Frame(const Bytes& rtps, std::uint16_t ipId) { return passive::testing::EthernetRtpsFrame(rtps, ipId); }

void WriteRecording(const std::string& path, const std::vector<RecordedFrame>& frames) {
  std::vector<Bytes> bytes;
  std::vector<std::uint32_t> captured;
  for (const RecordedFrame& frame : frames) {
    bytes.push_back(frame.bytes);
    captured.push_back(frame.capturedLength == 0 ? static_cast<std::uint32_t>(frame.bytes.size())
                                                 : frame.capturedLength);
  }
  passive::testing::WritePcap(path, 1, bytes, captured);  // Ethernet
}

std::string ScratchRecordingPath(const std::string& name) {
  const std::filesystem::path folder = std::filesystem::path(VELTRANE_BINARY_DIR) / "passive_e2e_recordings";
  std::filesystem::create_directories(folder);
  return (folder / (name + ".pcap")).string();
}

}  // namespace Quorvel::e2e
