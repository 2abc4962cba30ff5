#include "PeerLogs.h"

#include "support/FieldRows.h"

#include <fstream>
#include <stdexcept>

namespace Quorvel::e2e {

std::vector<LoggedSample> ReadPeerLogs(const std::vector<std::string>& paths) {
  std::vector<LoggedSample> samples;
  for (const std::string& path : paths) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty()) continue;
      const auto entry = nlohmann::ordered_json::parse(line);
      samples.push_back({entry.at("topic").get<std::string>(), entry.at("type").get<std::string>(),
                         entry.at("value")});
    }
  }
  return samples;
}

bool TsharkData::IsUserData() const {
  const std::string kind = writerGuid.substr(30, 2);
  return kind == "02" || kind == "03";
}

bool TsharkData::IsPublication() const { return writerGuid.substr(24) == "000003c2"; }

bool TsharkData::IsDiscovery() const {
  const std::string entity = writerGuid.substr(24);
  return entity == "000100c2" || entity == "000003c2" || entity == "000004c2";
}

std::vector<TsharkData> ReadTsharkDecode(const std::string& path) {
  std::vector<TsharkData> rows;
  for (const auto& fields : Quorvel::testing::ReadFieldRows(path, ';', 7)) {
    if (fields[1].size() != 32) throw std::runtime_error("bad tshark row of " + path + ": " + fields[1]);
    rows.push_back({std::stoi(fields[0]), fields[1], std::stoull(fields[2]), fields[3] == "1", fields[4], fields[5],
                    fields[6]});
  }
  return rows;
}

}  // namespace Quorvel::e2e
