#include "middleware/xml/DefinitionSite.h"

#include "common/Log.h"

namespace Quorvel::xml {

std::string DefinitionSite::Describe(std::string_view problem) const {
    std::string text(problem);
    if (!member_.empty()) text += " for member '" + member_ + "'";
    text += " of ";
    text += declaration_->node.name();  // the element name is the kind word: struct, enum, ...
    text += " '" + declaration_->qualifiedName + "' in " + *declaration_->origin;
    return text;
}

void DefinitionSite::Fail(std::string_view problem) const {
    ThrowLogged(Describe(problem));
}

}  // namespace Quorvel::xml
