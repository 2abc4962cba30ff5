#pragma once

#include <pugixml.hpp>

#include <memory>
#include <string>

namespace Quorvel::xml {

// One named definition of a type document (a type or a const), where it stands and where
// it came from. `node` stays valid while the XmlDocumentStore that parsed it lives.
struct Declaration {
    pugi::xml_node node;
    std::string qualifiedName;                  // "Geo::Track"
    std::string scope;                          // the enclosing modules, "Geo"; "" at file level
    std::shared_ptr<const std::string> origin;  // the file (or text) that holds it
};

}  // namespace Quorvel::xml
