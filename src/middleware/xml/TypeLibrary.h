#pragma once

// The types of one type library by fully qualified name. Filled once by the reader, then
// only read: safe for concurrent lookups.

#include "middleware/xtypes/DynamicType.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Quorvel::xml {

class TypeLibrary {
public:
    void Add(const std::string& qualifiedName, xtypes::DynamicTypePtr type);

    // A qualified name, with or without a leading "::"; null when unknown.
    xtypes::DynamicTypePtr Find(std::string_view qualifiedName) const;
    // Every type name in the order the documents declare them.
    const std::vector<std::string>& Names() const { return names_; }
    size_t size() const { return names_.size(); }

private:
    std::unordered_map<std::string, xtypes::DynamicTypePtr> types_;
    std::vector<std::string> names_;
};

}  // namespace Quorvel::xml
