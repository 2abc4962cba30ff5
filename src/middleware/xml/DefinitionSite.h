#pragma once

// Where in the type files a problem lies, so that every error names the definition, the
// member (when there is one) and the file:
//   "Unknown type 'Geo::Pointt' for member 'pos' of struct 'Geo::Track' in /types/track.xml"

#include "middleware/xml/Declaration.h"

#include <string>
#include <string_view>

namespace Quorvel::xml {

class DefinitionSite {
public:
    explicit DefinitionSite(const Declaration& declaration, std::string member = {})
        : declaration_(&declaration), member_(std::move(member)) {}

    DefinitionSite ForMember(std::string member) const {
        return DefinitionSite(*declaration_, std::move(member));
    }

    const Declaration& declaration() const { return *declaration_; }
    const std::string& scope() const { return declaration_->scope; }

    // "<problem> for member 'm' of struct 'T' in <file>"
    std::string Describe(std::string_view problem) const;
    // Logs the description and throws it as std::runtime_error.
    [[noreturn]] void Fail(std::string_view problem) const;

private:
    const Declaration* declaration_;
    std::string member_;
};

}  // namespace Quorvel::xml
