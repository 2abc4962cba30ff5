#include "ScopedName.h"

namespace Quorvel::ddsconfig {

std::string Qualify(const std::string& scope, const std::string& name) {
  return scope.empty() ? name : scope + "::" + name;
}

std::optional<std::string> LookupScoped(const std::string& name, const std::string& scope,
                                        const std::function<bool(const std::string&)>& exists) {
  if (name.rfind("::", 0) == 0) {
    const std::string absolute = name.substr(2);
    return exists(absolute) ? std::optional<std::string>(absolute) : std::nullopt;
  }
  std::string current = scope;
  while (true) {
    const std::string candidate = Qualify(current, name);
    if (exists(candidate)) return candidate;
    if (current.empty()) return std::nullopt;
    const auto separator = current.rfind("::");
    current = separator == std::string::npos ? std::string() : current.substr(0, separator);
  }
}

}  // namespace Quorvel::ddsconfig
