#pragma once

// Builds frames byte by byte from the published wire layouts (Ethernet II, 802.1Q, Linux
// cooked v1/v2, BSD loopback, IPv4, UDP, RTPS), so tests can state exactly what lies where.

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvel::passive::testing {

using Bytes = std::vector<uint8_t>;

enum class Endian { BIG, LITTLE };

void Append(Bytes& out, const Bytes& more);
void PutU16(Bytes& out, uint16_t value, Endian endian);
void PutU32(Bytes& out, uint32_t value, Endian endian);

// --- RTPS (DDSI-RTPS 2.5, 9.4) ---
Bytes RtpsHeader(const Bytes& guidPrefix, uint8_t major = 2, uint8_t minor = 3,
                 uint16_t vendor = 0x0110);
// id, flags (E set for LITTLE), octetsToNextHeader = body size unless given.
Bytes SubMessage(uint8_t id, uint8_t flags, Endian endian, const Bytes& body, int octets = -1);
Bytes InfoTs(uint32_t seconds, uint32_t fraction, Endian endian);
Bytes Parameter(uint16_t pid, const Bytes& value, Endian endian);
Bytes Sentinel(Endian endian);

struct DataSpec {
  Endian endian = Endian::LITTLE;
  uint32_t readerId = 0;
  uint32_t writerId = 0x00000102;
  uint64_t sequence = 1;
  Bytes inlineQos;          // parameters, sentinel included; Q set when not empty
  Bytes payload;            // encapsulation header first; D set when not empty
  bool keyOnly = false;     // K instead of D
};
Bytes Data(const DataSpec& spec);

struct BatchSample {
  uint8_t flags = 0x08;     // serialized data
  Bytes inlineQos;          // appended after the entry when flags has bit 1
  Bytes data;
};
struct BatchSpec {
  Endian endian = Endian::LITTLE;
  uint8_t id = 0x18;
  uint32_t writerId = 0x00000102;
  uint64_t batchSequence = 7;
  Bytes inlineQos;
  uint16_t encapsulation = 0x0001;
  std::vector<BatchSample> samples;
};
Bytes DataBatch(const BatchSpec& spec);

// --- UDP / IPv4 / links ---
Bytes Udp(uint16_t srcPort, uint16_t dstPort, const Bytes& payload);
struct IpSpec {
  uint16_t id = 0x1234;
  bool moreFragments = false;
  uint16_t fragmentOffset = 0;  // bytes, a multiple of 8
  uint8_t protocol = 17;
  std::string src = "10.0.0.1";
  std::string dst = "239.255.0.1";
};
Bytes IPv4(const IpSpec& spec, const Bytes& payload);
// The IPv4 packets of `datagram` (UDP header and payload) cut into pieces of `pieceSize`
// bytes (a multiple of 8), in offset order.
std::vector<Bytes> Fragment(const IpSpec& spec, const Bytes& datagram, size_t pieceSize);

Bytes Ethernet(const Bytes& packet, int vlanTags = 0, uint16_t etherType = 0x0800);
Bytes LinuxSll(const Bytes& packet, uint16_t protocol = 0x0800);
Bytes LinuxSll2(const Bytes& packet, uint16_t protocol = 0x0800);
Bytes BsdLoopback(const Bytes& packet, uint32_t family = 2, Endian endian = Endian::LITTLE);

// A whole Ethernet frame carrying `rtps` in UDP from 10.0.0.1:7410 to 239.255.0.1:7400.
Bytes EthernetRtpsFrame(const Bytes& rtps, uint16_t ipId = 0x1234);

// Writes a classic pcap file of `frames` with link type `datalink`; a record whose entry in
// `capturedLengths` is below its frame's size keeps only that many bytes (a cut-short capture).
void WritePcap(const std::string& path, int datalink, const std::vector<Bytes>& frames,
               const std::vector<uint32_t>& capturedLengths = {});

}  // namespace Quorvel::passive::testing
