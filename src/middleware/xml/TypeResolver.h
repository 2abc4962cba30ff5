#pragma once

// Builds DynamicTypes from the declarations of a document set. Types are built on demand,
// depth first, so a definition may refer to one declared later or in another file; each is
// built once, and a definition that needs itself to be built is reported as circular.

#include "middleware/xml/ConstEvaluator.h"
#include "middleware/xtypes/DynamicType.h"

#include <array>
#include <initializer_list>
#include <string>
#include <utility>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pugi {
class xml_node;
class xml_attribute;
}  // namespace pugi

namespace Quorvel::xml {

class DeclarationIndex;
class DefinitionSite;
struct Declaration;

class TypeResolver {
public:
    explicit TypeResolver(const DeclarationIndex& index);

    xtypes::DynamicTypePtr Resolve(const Declaration& declaration);

    // Whether `element` (struct, union, enum, bitmask, bitset, typedef) defines a type.
    static bool Builds(std::string_view element);

private:
    using Builder = xtypes::DynamicTypePtr (TypeResolver::*)(const Declaration&);

    static Builder BuilderFor(std::string_view element);

    xtypes::DynamicTypePtr ResolveFor(const Declaration& declaration, const DefinitionSite& user);
    xtypes::DynamicTypePtr BuildStruct(const Declaration& declaration);
    xtypes::DynamicTypePtr BuildUnion(const Declaration& declaration);
    xtypes::DynamicTypePtr BuildEnum(const Declaration& declaration);
    xtypes::DynamicTypePtr BuildBitmask(const Declaration& declaration);
    xtypes::DynamicTypePtr BuildBitset(const Declaration& declaration);
    xtypes::DynamicTypePtr BuildTypedef(const Declaration& declaration);

    // The type a `member`, `typedef` or `discriminator` element describes: its `type` (or
    // `nonBasic` + `nonBasicTypeName`), wrapped in a sequence for `sequenceMaxLength` and
    // then in an array for `arrayDimensions`.
    xtypes::DynamicTypePtr ComposeType(const pugi::xml_node& node, const DefinitionSite& site);
    xtypes::DynamicTypePtr ElementType(const pugi::xml_node& node, const DefinitionSite& site);
    xtypes::DynamicTypePtr NamedType(std::string_view name, std::string_view role,
                                     const DefinitionSite& site);
    xtypes::Member ReadMember(const pugi::xml_node& node, const DefinitionSite& owner);
    uint32_t ReadBound(const pugi::xml_attribute& attribute, const DefinitionSite& site);
    std::vector<uint32_t> ReadDimensions(const pugi::xml_attribute& attribute,
                                         const DefinitionSite& site);
    uint32_t ReadBitBound(const pugi::xml_node& node, int64_t highest, const DefinitionSite& site);
    // The `element` children of `node` with their numbers: the first of `valueAttributes`
    // present, else the previous number + 1 (the first is 0); all within lowest..highest.
    std::vector<std::pair<std::string, int64_t>> ReadNumberedChildren(
        const pugi::xml_node& node, const char* element, std::initializer_list<const char*> valueAttributes,
        int64_t lowest, int64_t highest, const DefinitionSite& site);
    int64_t ReadInteger(const pugi::xml_attribute& attribute, int64_t low, int64_t high,
                        const DefinitionSite& site);

    const DeclarationIndex& index_;
    ConstEvaluator consts_;
    std::unordered_map<const Declaration*, xtypes::DynamicTypePtr> built_;
    std::vector<const Declaration*> inProgress_;
    std::array<xtypes::DynamicTypePtr, 14> primitives_;
};

}  // namespace Quorvel::xml
