#include "active/KeyMemberFilter.h"

#include "dissection/Outputter.h"

#include <nlohmann/json.hpp>

namespace Quorvel {
namespace {

constexpr std::string_view kSampleDataPrefix = "SampleData.";

}  // namespace

KeyMemberFilter::KeyMemberFilter(const xtypes::DynamicType& type) { Collect(type.Resolve(), root); }

void KeyMemberFilter::Collect(const xtypes::DynamicType& type, Node& node) {
  for (const xtypes::Member& member : type.all_members()) {
    if (!member.key) continue;
    Node& child = node.members[member.name];
    const xtypes::DynamicType& memberType = member.type->Resolve();
    if (memberType.kind() == xtypes::TypeKind::STRUCTURE && memberType.HasKey()) {
      Collect(memberType, child);
    } else {
      child.whole = true;
    }
  }
}

bool KeyMemberFilter::IsKeyMember(std::string_view flatName) const {
  const Node* node = &root;
  while (!flatName.empty()) {
    const std::size_t end = flatName.find_first_of(".[");
    const auto found = node->members.find(flatName.substr(0, end));
    if (found == node->members.end()) return false;
    node = &found->second;
    if (node->whole) return true;
    if (end == std::string_view::npos || flatName[end] != '.') return false;
    flatName.remove_prefix(end + 1);
  }
  return false;
}

void KeyMemberFilter::CopyKeyMembers(const Outputter& full, Outputter& keyOnly) const {
  // A rare path (samples without data): the full sample's text is parsed back and pruned.
  const auto document = nlohmann::ordered_json::parse(full.DocumentText());
  if (const auto data = document.find("SampleData"); document.is_object() && data != document.end()) {
    // Members keep their order: the key members of each level, as the type declares them.
    auto prune = [](auto& self, const nlohmann::ordered_json& value, const Node& node) -> nlohmann::ordered_json {
      nlohmann::ordered_json kept = nlohmann::ordered_json::object();
      if (!value.is_object()) return kept;
      for (const auto& [name, member] : value.items()) {
        const auto found = node.members.find(name);
        if (found == node.members.end()) continue;
        kept[name] = found->second.whole ? member : self(self, member, found->second);
      }
      return kept;
    };
    if (JsonWriter* json = keyOnly.BeginJsonMember("SampleData"))
      json->Raw(prune(prune, *data, root).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
  }
  for (const auto& [name, text] : full.MapPrint()) {
    const std::string_view flatName(name);
    if (flatName.starts_with(kSampleDataPrefix) && IsKeyMember(flatName.substr(kSampleDataPrefix.size()))) {
      keyOnly.AddValueToMapPrint(name, text);
    }
  }
}

}  // namespace Quorvel
