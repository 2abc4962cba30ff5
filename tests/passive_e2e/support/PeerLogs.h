#pragma once

// What the peers and tshark said about a recording (tests/data/passive_e2e/README.md).

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvel::e2e {

struct LoggedSample {
  std::string topic;
  std::string type;
  nlohmann::ordered_json value;
};

// The samples a publishing peer wrote, in writing order, from one or more JSON Lines files.
std::vector<LoggedSample> ReadPeerLogs(const std::vector<std::string>& paths);

// One DATA sub-message as tshark decoded it.
struct TsharkData {
  int frame = 0;
  std::string writerGuid;    // 32 lower-case hex digits
  std::uint64_t sequence = 0;
  bool dataPresent = false;  // D flag: a dispose or unregister carries only the key
  std::string topic;         // where tshark knows it
  std::string type;
  std::string endpointGuid;  // discovery announcements only
  bool IsUserData() const;   // writer entity kind 0x02 or 0x03
  bool IsPublication() const;  // from the builtin publications writer
  // From the builtin participant, publications or subscriptions writer.
  bool IsDiscovery() const;
};

std::vector<TsharkData> ReadTsharkDecode(const std::string& path);

}  // namespace Quorvel::e2e
