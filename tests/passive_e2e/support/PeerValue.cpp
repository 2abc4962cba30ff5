#include "PeerValue.h"

namespace Quorvel::e2e {
namespace {

using Json = nlohmann::ordered_json;

bool IsNested(const Json& array) {
  return !array.empty() && array.front().is_array();
}

Json Flattened(const Json& nested) {
  Json flat = Json::array();
  for (const Json& row : nested) {
    if (!row.is_array()) return nested;
    const Json rowFlat = IsNested(row) ? Flattened(row) : row;
    for (const Json& cell : rowFlat) flat.push_back(cell);
  }
  return flat;
}

Json DiscriminatorAsNumber(const Json& peer) {
  if (peer.is_string() && peer.get<std::string>().size() == 1) {
    return static_cast<unsigned char>(peer.get<std::string>()[0]);
  }
  if (peer.is_boolean()) return peer.get<bool>() ? 1 : 0;
  return peer;
}

}  // namespace

Json AsDelivered(const Json& peer, const Json& delivered) {
  static const Json missing;
  if (peer.is_object()) {
    Json out = Json::object();
    for (const auto& [key, value] : peer.items()) {
      const Json& counterpart = delivered.is_object() && delivered.contains(key) ? delivered.at(key) : missing;
      out[key] = key == "discriminator" && counterpart.is_number() ? DiscriminatorAsNumber(value)
                                                                   : AsDelivered(value, counterpart);
    }
    return out;
  }
  if (peer.is_array()) {
    const bool flatThere = delivered.is_array() && !IsNested(delivered);
    const Json elements = IsNested(peer) && flatThere ? Flattened(peer) : peer;
    Json out = Json::array();
    for (std::size_t i = 0; i < elements.size(); ++i) {
      out.push_back(AsDelivered(elements[i], delivered.is_array() && i < delivered.size() ? delivered[i] : missing));
    }
    return out;
  }
  return peer;
}

}  // namespace Quorvel::e2e
