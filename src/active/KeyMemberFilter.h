#pragma once

// The key members of a type as flattened names, to cut a dissected sample down to its key:
// a dispose or unregister carries no data, only the instance, so what the engine reports for
// it is the instance's key members and nothing else. A nested structure that has keys of its
// own contributes those, one without keys contributes all its members (DDS-XTypes 1.3, 7.6.8).

#include "middleware/xtypes/DynamicType.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace Quorvel {

class Outputter;

class KeyMemberFilter {
 public:
  explicit KeyMemberFilter(const xtypes::DynamicType& type);

  // Copies from `full` (a whole sample dissected) into `keyOnly` the JSON under "SampleData"
  // and the flat-map entries of the key members.
  void CopyKeyMembers(const Outputter& full, Outputter& keyOnly) const;

  // `flatName` without the "SampleData." prefix ("zone.zone_id", "ids[1]").
  bool IsKeyMember(std::string_view flatName) const;

 private:
  struct Node {
    bool whole = false;  // every member below belongs to the key
    std::map<std::string, Node, std::less<>> members;
  };
  static void Collect(const xtypes::DynamicType& type, Node& node);

  Node root;
};

}  // namespace Quorvel
