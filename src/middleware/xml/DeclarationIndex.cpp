#include "middleware/xml/DeclarationIndex.h"

#include "common/Log.h"

namespace Quorvel::xml {

const Declaration* DeclarationIndex::Add(Table& table, Declaration declaration, const char* what) {
    auto [it, inserted] = table.try_emplace(declaration.qualifiedName);
    if (!inserted) {
        ThrowLogged(std::string(what) + " '" + declaration.qualifiedName + "' is declared twice: in " +
                    *it->second->origin + " and in " + *declaration.origin);
    }
    it->second = std::make_unique<Declaration>(std::move(declaration));
    return it->second.get();
}

void DeclarationIndex::AddType(Declaration declaration) {
    typeOrder_.push_back(Add(types_, std::move(declaration), "Type"));
}

void DeclarationIndex::AddConst(Declaration declaration) {
    Add(consts_, std::move(declaration), "Const");
}

const Declaration* DeclarationIndex::FindType(std::string_view name, std::string_view scope) const {
    return Find(types_, name, scope);
}

const Declaration* DeclarationIndex::FindConst(std::string_view name, std::string_view scope) const {
    return Find(consts_, name, scope);
}

const Declaration* DeclarationIndex::Find(const Table& table, std::string_view name,
                                          std::string_view scope) {
    if (name.empty()) return nullptr;
    if (name.substr(0, 2) == "::") {
        const auto it = table.find(std::string(name.substr(2)));
        return it == table.end() ? nullptr : it->second.get();
    }
    std::string candidate;
    while (true) {
        candidate.assign(scope);
        if (!candidate.empty()) candidate += "::";
        candidate += name;
        const auto it = table.find(candidate);
        if (it != table.end()) return it->second.get();
        if (scope.empty()) return nullptr;
        const size_t cut = scope.rfind("::");
        scope = cut == std::string_view::npos ? std::string_view() : scope.substr(0, cut);
    }
}

}  // namespace Quorvel::xml
