#pragma once

// Names in type files are resolved the way IDL scopes them: from the innermost enclosing
// scope outwards to the global one ("Point" inside "Geo::Nav" tries "Geo::Nav::Point",
// "Geo::Point", "Point"); a leading "::" makes a name absolute.

#include <functional>
#include <optional>
#include <string>

namespace Quorvel::ddsconfig {

// "scope::name", or `name` alone in the global scope.
std::string Qualify(const std::string& scope, const std::string& name);

// The first qualified form of `name` for which `exists` holds, if any.
std::optional<std::string> LookupScoped(const std::string& name, const std::string& scope,
                                        const std::function<bool(const std::string&)>& exists);

}  // namespace Quorvel::ddsconfig
