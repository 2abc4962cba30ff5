#include "middleware/transport/KeyOnlyType.h"

#include <vector>

namespace Quorvel::Transport {

xtypes::DynamicTypePtr KeyOnlyType(const xtypes::DynamicType& declared) {
  const xtypes::DynamicType& type = declared.Resolve();
  if (type.kind() != xtypes::TypeKind::STRUCTURE || !type.HasKey()) return nullptr;
  std::vector<xtypes::Member> keys;
  for (const xtypes::Member& member : type.all_members()) {
    if (!member.key) continue;
    xtypes::Member key;
    key.name = member.name;
    key.key = true;
    const xtypes::DynamicTypePtr nested = KeyOnlyType(*member.type);
    key.type = nested ? nested : member.type;
    keys.push_back(std::move(key));
  }
  return xtypes::DynamicType::Structure(type.name() + "::Key", std::move(keys), xtypes::Extensibility::FINAL);
}

}  // namespace Quorvel::Transport
