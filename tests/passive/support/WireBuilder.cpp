#include "WireBuilder.h"

#include <pcap/pcap.h>

#include <arpa/inet.h>

#include <stdexcept>

namespace Quorvel::passive::testing {

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

void PutU16(Bytes& out, uint16_t value, Endian endian) {
  if (endian == Endian::BIG) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
  } else {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
  }
}

void PutU32(Bytes& out, uint32_t value, Endian endian) {
  if (endian == Endian::BIG) {
    PutU16(out, static_cast<uint16_t>(value >> 16), endian);
    PutU16(out, static_cast<uint16_t>(value), endian);
  } else {
    PutU16(out, static_cast<uint16_t>(value), endian);
    PutU16(out, static_cast<uint16_t>(value >> 16), endian);
  }
}

Bytes RtpsHeader(const Bytes& guidPrefix, uint8_t major, uint8_t minor, uint16_t vendor) {
  Bytes out{'R', 'T', 'P', 'S', major, minor};
  PutU16(out, vendor, Endian::BIG);
  Append(out, guidPrefix);
  return out;
}

Bytes SubMessage(uint8_t id, uint8_t flags, Endian endian, const Bytes& body, int octets) {
  Bytes out{id, static_cast<uint8_t>(flags | (endian == Endian::LITTLE ? 0x01 : 0x00))};
  PutU16(out, octets < 0 ? static_cast<uint16_t>(body.size()) : static_cast<uint16_t>(octets),
         endian);
  Append(out, body);
  return out;
}

Bytes InfoTs(uint32_t seconds, uint32_t fraction, Endian endian) {
  Bytes body;
  PutU32(body, seconds, endian);
  PutU32(body, fraction, endian);
  return SubMessage(0x09, 0, endian, body);
}

Bytes Parameter(uint16_t pid, const Bytes& value, Endian endian) {
  Bytes out;
  PutU16(out, pid, endian);
  PutU16(out, static_cast<uint16_t>(value.size()), endian);
  Append(out, value);
  return out;
}

Bytes Sentinel(Endian endian) { return Parameter(0x0001, {}, endian); }

namespace {

void PutSequence(Bytes& out, uint64_t sequence, Endian endian) {
  PutU32(out, static_cast<uint32_t>(sequence >> 32), endian);
  PutU32(out, static_cast<uint32_t>(sequence), endian);
}

}  // namespace

Bytes Data(const DataSpec& spec) {
  Bytes body;
  PutU16(body, 0, spec.endian);   // extra flags
  PutU16(body, 16, spec.endian);  // octetsToInlineQos
  PutU32(body, spec.readerId, Endian::BIG);
  PutU32(body, spec.writerId, Endian::BIG);
  PutSequence(body, spec.sequence, spec.endian);
  Append(body, spec.inlineQos);
  Append(body, spec.payload);
  uint8_t flags = 0;
  if (!spec.inlineQos.empty()) flags |= 0x02;
  if (!spec.payload.empty()) flags |= spec.keyOnly ? 0x08 : 0x04;
  return SubMessage(0x15, flags, spec.endian, body);
}

Bytes DataBatch(const BatchSpec& spec) {
  Bytes infos;
  Bytes data;
  for (const BatchSample& sample : spec.samples) {
    infos.push_back(0);
    infos.push_back(sample.flags);
    PutU16(infos, 0, spec.endian);
    PutU32(infos, static_cast<uint32_t>(sample.data.size()), spec.endian);
    if (sample.flags & 0x01) infos.insert(infos.end(), 8, 0xA1);
    if (sample.flags & 0x04) infos.insert(infos.end(), 8, 0xA4);
    if (sample.flags & 0x02) Append(infos, sample.inlineQos);
    Append(data, sample.data);
  }
  Bytes body;
  PutU16(body, 0, spec.endian);
  PutU16(body, 16, spec.endian);
  PutU32(body, 0, Endian::BIG);
  PutU32(body, spec.writerId, Endian::BIG);
  PutSequence(body, spec.batchSequence, spec.endian);
  PutSequence(body, spec.batchSequence, spec.endian);  // first sample
  PutU32(body, 0, spec.endian);                         // offset to the last sample
  PutU32(body, static_cast<uint32_t>(spec.samples.size()), spec.endian);
  Append(body, spec.inlineQos);
  PutU32(body, static_cast<uint32_t>(infos.size()), spec.endian);
  Append(body, infos);
  PutU16(body, spec.encapsulation, Endian::BIG);
  PutU16(body, 0, Endian::BIG);
  Append(body, data);
  return SubMessage(spec.id, spec.inlineQos.empty() ? 0 : 0x02, spec.endian, body);
}

Bytes Udp(uint16_t srcPort, uint16_t dstPort, const Bytes& payload) {
  Bytes out;
  PutU16(out, srcPort, Endian::BIG);
  PutU16(out, dstPort, Endian::BIG);
  PutU16(out, static_cast<uint16_t>(payload.size() + 8), Endian::BIG);
  PutU16(out, 0, Endian::BIG);
  Append(out, payload);
  return out;
}

Bytes IPv4(const IpSpec& spec, const Bytes& payload) {
  Bytes out{0x45, 0x00};
  PutU16(out, static_cast<uint16_t>(payload.size() + 20), Endian::BIG);
  PutU16(out, spec.id, Endian::BIG);
  PutU16(out, static_cast<uint16_t>((spec.moreFragments ? 0x2000 : 0) | (spec.fragmentOffset / 8)),
         Endian::BIG);
  out.push_back(64);
  out.push_back(spec.protocol);
  PutU16(out, 0, Endian::BIG);
  for (const std::string* address : {&spec.src, &spec.dst}) {
    in_addr parsed{};
    if (inet_pton(AF_INET, address->c_str(), &parsed) != 1) throw std::invalid_argument(*address);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&parsed.s_addr);
    out.insert(out.end(), bytes, bytes + 4);
  }
  Append(out, payload);
  return out;
}

std::vector<Bytes> Fragment(const IpSpec& spec, const Bytes& datagram, size_t pieceSize) {
  std::vector<Bytes> packets;
  for (size_t offset = 0; offset < datagram.size(); offset += pieceSize) {
    const size_t end = std::min(datagram.size(), offset + pieceSize);
    IpSpec piece = spec;
    piece.fragmentOffset = static_cast<uint16_t>(offset);
    piece.moreFragments = end < datagram.size();
    packets.push_back(IPv4(piece, Bytes(datagram.begin() + static_cast<std::ptrdiff_t>(offset),
                                        datagram.begin() + static_cast<std::ptrdiff_t>(end))));
  }
  return packets;
}

Bytes Ethernet(const Bytes& packet, int vlanTags, uint16_t etherType) {
  Bytes out{0x01, 0x00, 0x5e, 0x7f, 0x00, 0x01,   // destination MAC
            0x02, 0x00, 0x00, 0x00, 0x00, 0x01};  // source MAC
  for (int tag = 0; tag < vlanTags; ++tag) {
    PutU16(out, tag == 0 && vlanTags > 1 ? 0x88A8 : 0x8100, Endian::BIG);
    PutU16(out, static_cast<uint16_t>(100 + tag), Endian::BIG);  // tag control: VLAN id
  }
  PutU16(out, etherType, Endian::BIG);
  Append(out, packet);
  return out;
}

Bytes LinuxSll(const Bytes& packet, uint16_t protocol) {
  Bytes out;
  PutU16(out, 4, Endian::BIG);    // packet type: sent by us
  PutU16(out, 772, Endian::BIG);  // ARPHRD_LOOPBACK
  PutU16(out, 6, Endian::BIG);    // address length
  out.insert(out.end(), 8, 0);    // address, padded to 8
  PutU16(out, protocol, Endian::BIG);
  Append(out, packet);
  return out;
}

Bytes LinuxSll2(const Bytes& packet, uint16_t protocol) {
  Bytes out;
  PutU16(out, protocol, Endian::BIG);
  PutU16(out, 0, Endian::BIG);    // reserved
  PutU32(out, 1, Endian::BIG);    // interface index
  PutU16(out, 772, Endian::BIG);  // ARPHRD_LOOPBACK
  out.push_back(0);               // packet type
  out.push_back(6);               // address length
  out.insert(out.end(), 8, 0);
  Append(out, packet);
  return out;
}

Bytes BsdLoopback(const Bytes& packet, uint32_t family, Endian endian) {
  Bytes out;
  PutU32(out, family, endian);
  Append(out, packet);
  return out;
}

Bytes EthernetRtpsFrame(const Bytes& rtps, uint16_t ipId) {
  IpSpec ip;
  ip.id = ipId;
  return Ethernet(IPv4(ip, Udp(7410, 7400, rtps)));
}

void WritePcap(const std::string& path, int datalink, const std::vector<Bytes>& frames,
               const std::vector<uint32_t>& capturedLengths) {
  pcap_t* dead = pcap_open_dead(datalink, 65536);
  pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
  if (!dumper) {
    pcap_close(dead);
    throw std::runtime_error("cannot write " + path);
  }
  for (size_t n = 0; n < frames.size(); ++n) {
    pcap_pkthdr header{};
    header.ts.tv_sec = 1700000000;
    header.ts.tv_usec = static_cast<long>(n);
    header.caplen = header.len = static_cast<bpf_u_int32>(frames[n].size());
    if (n < capturedLengths.size() && capturedLengths[n] < header.len) {
      header.caplen = capturedLengths[n];
    }
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, frames[n].data());
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
}

}  // namespace Quorvel::passive::testing
