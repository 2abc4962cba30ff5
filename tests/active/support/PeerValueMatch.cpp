#include "active/support/PeerValueMatch.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace Quorvel::testing {
namespace {

using Json = nlohmann::ordered_json;

bool IsNested(const Json& array) { return !array.empty() && array.front().is_array(); }

void Flatten(const Json& nested, Json& flat) {
  for (const Json& cell : nested) {
    if (cell.is_array()) {
      Flatten(cell, flat);
    } else {
      flat.push_back(cell);
    }
  }
}

bool SameScalar(const Json& peer, const Json& delivered) {
  if (peer.is_boolean() && delivered.is_number_integer()) return delivered.get<int>() == (peer.get<bool>() ? 1 : 0);
  if (peer.is_string() && delivered.is_number_integer() && peer.get<std::string>().size() == 1) {
    return delivered.get<int>() == static_cast<unsigned char>(peer.get<std::string>()[0]);
  }
  if (peer.is_number_integer() && delivered.is_number_integer()) {
    return peer.is_number_unsigned() || delivered.is_number_unsigned()
               ? peer.get<std::uint64_t>() == delivered.get<std::uint64_t>() &&
                     (peer.is_number_unsigned() || peer.get<std::int64_t>() >= 0) &&
                     (delivered.is_number_unsigned() || delivered.get<std::int64_t>() >= 0)
               : peer.get<std::int64_t>() == delivered.get<std::int64_t>();
  }
  if (peer.is_number() && delivered.is_number()) {
    const double expected = peer.get<double>();
    const double got = delivered.get<double>();
    if (expected == got) return std::signbit(expected) == std::signbit(got);
    // A float32 member: the peer widened it to double exactly, the engine printed 9 digits.
    return static_cast<double>(static_cast<float>(expected)) == expected &&
           static_cast<float>(got) == static_cast<float>(expected);
  }
  return peer == delivered;
}

::testing::AssertionResult Compare(const Json& peer, const Json& delivered, const std::string& path) {
  if (peer.is_object()) {
    if (!delivered.is_object()) return ::testing::AssertionFailure() << path << ": not an object: " << delivered.dump();
    for (const auto& [name, value] : peer.items()) {
      if (!delivered.contains(name)) return ::testing::AssertionFailure() << path << "." << name << " missing";
      auto result = Compare(value, delivered.at(name), path + "." + name);
      if (!result) return result;
    }
    if (delivered.size() != peer.size()) {
      return ::testing::AssertionFailure() << path << ": " << delivered.size() << " members delivered, peer wrote "
                                           << peer.size() << ": " << delivered.dump();
    }
    return ::testing::AssertionSuccess();
  }
  if (peer.is_array()) {
    if (!delivered.is_array()) return ::testing::AssertionFailure() << path << ": not an array: " << delivered.dump();
    Json elements = peer;
    if (IsNested(peer) && !IsNested(delivered)) {
      elements = Json::array();
      Flatten(peer, elements);
    }
    if (elements.size() != delivered.size()) {
      return ::testing::AssertionFailure() << path << ": " << delivered.size() << " elements delivered, peer wrote "
                                           << elements.size();
    }
    for (std::size_t i = 0; i < elements.size(); ++i) {
      auto result = Compare(elements[i], delivered[i], path + "[" + std::to_string(i) + "]");
      if (!result) return result;
    }
    return ::testing::AssertionSuccess();
  }
  if (!SameScalar(peer, delivered)) {
    return ::testing::AssertionFailure() << path << ": peer wrote " << peer.dump() << ", delivered "
                                         << delivered.dump();
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

::testing::AssertionResult MatchesPeerValue(const Json& peer, const Json& delivered) {
  return Compare(peer, delivered, "SampleData");
}

}  // namespace Quorvel::testing
