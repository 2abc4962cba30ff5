#include "middleware/xml/TypeLibrary.h"

namespace Quorvel::xml {

void TypeLibrary::Add(const std::string& qualifiedName, xtypes::DynamicTypePtr type) {
    if (types_.emplace(qualifiedName, std::move(type)).second) names_.push_back(qualifiedName);
}

xtypes::DynamicTypePtr TypeLibrary::Find(std::string_view qualifiedName) const {
    if (qualifiedName.substr(0, 2) == "::") qualifiedName.remove_prefix(2);
    const auto it = types_.find(std::string(qualifiedName));
    return it == types_.end() ? nullptr : it->second;
}

}  // namespace Quorvel::xml
