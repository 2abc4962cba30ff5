#pragma once

// Every type and const of a document set by qualified name, with the lookup rule of the type
// files: a name is searched in the current module, then in each enclosing module, then at
// file level; a name starting with "::" is searched at file level only.

#include "middleware/xml/Declaration.h"

#include <string_view>
#include <unordered_map>
#include <vector>

namespace Quorvel::xml {

class DeclarationIndex {
public:
    // Throws when the name is declared already.
    void AddType(Declaration declaration);
    void AddConst(Declaration declaration);

    const Declaration* FindType(std::string_view name, std::string_view scope) const;
    const Declaration* FindConst(std::string_view name, std::string_view scope) const;

    // Types in the order they were read.
    const std::vector<const Declaration*>& Types() const { return typeOrder_; }

private:
    using Table = std::unordered_map<std::string, std::unique_ptr<Declaration>>;
    static const Declaration* Find(const Table& table, std::string_view name, std::string_view scope);
    static const Declaration* Add(Table& table, Declaration declaration, const char* what);

    Table types_;
    Table consts_;
    std::vector<const Declaration*> typeOrder_;
};

}  // namespace Quorvel::xml
