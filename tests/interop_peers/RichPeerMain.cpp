// rich_peer: Cyclone DDS's view of the rich test type.
//   rich_peer write <outdir>        golden payloads (XCDR1 and XCDR2), values and key hashes
//   rich_peer read <type> <file>    Cyclone's decoding of someone else's payload, as JSON
#include "CycloneCodec.h"
#include "CycloneDomain.h"
#include "RichTypes.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>

namespace Quorvel::InteropPeers {
namespace {

using Json = nlohmann::ordered_json;

std::string Hex(const std::array<uint8_t, 16>& bytes) {
  std::string text;
  char digits[3];
  for (uint8_t byte : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", byte);
    text += digits;
  }
  return text;
}

void WriteFile(const std::filesystem::path& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path.string());
  }
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WritePayload(const std::filesystem::path& path, const std::vector<uint8_t>& payload) {
  WriteFile(path, payload.data(), payload.size());
}

// The key hash belongs to the sample, not to its encoding: both writers must agree on it.
std::string AgreedKeyHash(const std::string& sampleName, const SerializedSample& xcdr1,
                          const SerializedSample& xcdr2) {
  if (xcdr1.keyHash != xcdr2.keyHash) {
    throw std::runtime_error("key hashes of " + sampleName + " differ between XCDR1 (" +
                             Hex(xcdr1.keyHash) + ") and XCDR2 (" + Hex(xcdr2.keyHash) + ")");
  }
  return Hex(xcdr2.keyHash);
}

void WriteGolden(const RichType& type, const CycloneDomain& domain,
                 const std::filesystem::path& outDir) {
  std::unique_ptr<CycloneCodec> xcdr1;
  if (type.hasXcdr1) {
    xcdr1 = std::make_unique<CycloneCodec>(domain.Participant(), type.descriptor,
                                           Representation::Xcdr1);
  }
  CycloneCodec xcdr2(domain.Participant(), type.descriptor, Representation::Xcdr2);
  Json samples = Json::array();
  for (const NamedSample& named : type.makeSamples()) {
    const SerializedSample bytes2 = xcdr2.Serialize(named.sample);
    WritePayload(outDir / (named.name + ".xcdr2.bin"), bytes2.payload);
    WritePayload(outDir / (named.name + ".xcdr2-be.bin"), bytes2.bigEndianPayload);
    std::string keyHash = Hex(bytes2.keyHash);
    if (xcdr1) {
      const SerializedSample bytes1 = xcdr1->Serialize(named.sample);
      WritePayload(outDir / (named.name + ".xcdr1.bin"), bytes1.payload);
      WritePayload(outDir / (named.name + ".xcdr1-be.bin"), bytes1.bigEndianPayload);
      keyHash = AgreedKeyHash(named.name, bytes1, bytes2);
    }
    samples.push_back(Json{{"name", named.name},
                           {"keyhash", keyHash},
                           {"value", type.toJson(named.sample.Get())}});
  }
  const Json document{{"type", type.descriptor.m_typename}, {"samples", samples}};
  const std::string text = document.dump(2) + "\n";
  WriteFile(outDir / (std::string(type.fileStem) + ".json"), text.data(), text.size());
}

int Write(const std::filesystem::path& outDir) {
  std::filesystem::create_directories(outDir);
  const CycloneDomain domain;
  for (const RichType& type : RichTypes()) {
    WriteGolden(type, domain, outDir);
  }
  return 0;
}

int Read(std::string_view typeName, const std::filesystem::path& file) {
  const RichType& type = FindRichType(typeName);
  const std::vector<uint8_t> payload = ReadFile(file);
  const CycloneDomain domain;
  CycloneCodec codec(domain.Participant(), type.descriptor, Representation::Xcdr2);
  const std::vector<NamedSample> primers = type.makeSamples();
  CycloneSample decoded(type.descriptor);
  const std::array<uint8_t, 16> keyHash = codec.Deserialize(payload, primers.front().sample, decoded);
  const Json result{{"keyhash", Hex(keyHash)}, {"value", type.toJson(decoded.Get())}};
  std::cout << result.dump() << "\n";
  return 0;
}

int Usage() {
  std::cerr << "usage: rich_peer write <outdir>\n"
               "       rich_peer read <type> <file.bin>\n";
  return 2;
}

}  // namespace
}  // namespace Quorvel::InteropPeers

int main(int argc, char** argv) {
  using namespace Quorvel::InteropPeers;
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 2 && args[0] == "write") {
      return Write(args[1]);
    }
    if (args.size() == 3 && args[0] == "read") {
      return Read(args[1], args[2]);
    }
    return Usage();
  } catch (const std::exception& error) {
    std::cerr << "rich_peer: " << error.what() << "\n";
    return 1;
  }
}
