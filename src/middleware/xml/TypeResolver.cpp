#include "middleware/xml/TypeResolver.h"

#include "middleware/xml/DeclarationIndex.h"
#include "middleware/xml/DefinitionSite.h"
#include "middleware/xml/UnionLabels.h"
#include "middleware/xml/XmlTypeNames.h"

#include <pugixml.hpp>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

namespace Quorvel::xml {

namespace {

using xtypes::DynamicType;
using xtypes::DynamicTypePtr;
using xtypes::Extensibility;
using xtypes::TypeKind;

constexpr uint32_t kFirstPrimitive = static_cast<uint32_t>(TypeKind::BOOLEAN);

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

Extensibility ReadExtensibility(const pugi::xml_node& node, const DefinitionSite& site) {
    const std::string_view text = node.attribute("extensibility").as_string("appendable");
    if (text == "final") return Extensibility::FINAL;
    if (text == "appendable" || text == "extensible") return Extensibility::APPENDABLE;
    if (text == "mutable") return Extensibility::MUTABLE;
    site.Fail("Invalid extensibility " + Quoted(text));
}

bool ReadFlag(const pugi::xml_node& node, const char* name, const DefinitionSite& site) {
    const pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) return false;
    const std::string_view text = attribute.value();
    if (text == "true" || text == "1") return true;
    if (text == "false" || text == "0") return false;
    site.Fail("Invalid " + std::string(name) + " value " + Quoted(text));
}

std::string RequireName(const pugi::xml_node& node, const DefinitionSite& site) {
    std::string name = node.attribute("name").value();
    if (name.empty()) site.Fail("A <" + std::string(node.name()) + "> without a name");
    return name;
}

// The holder kind of a bitfield without an explicit type (DDS-XTypes 1.3, 7.2.2.4.4.4.8).
TypeKind BitfieldHolderKind(uint32_t bits) {
    if (bits == 1) return TypeKind::BOOLEAN;
    if (bits <= 8) return TypeKind::BYTE;
    if (bits <= 16) return TypeKind::UINT16;
    if (bits <= 32) return TypeKind::UINT32;
    return TypeKind::UINT64;
}

// The factories validate the assembled type; their complaint becomes a message with the site.
template <typename Factory>
DynamicTypePtr Construct(const DefinitionSite& site, Factory&& factory) {
    try {
        return factory();
    } catch (const std::invalid_argument& e) {
        site.Fail("Invalid definition (" + std::string(e.what()) + ")");
    }
}

}  // namespace

TypeResolver::TypeResolver(const DeclarationIndex& index) : index_(index), consts_(index) {
    for (uint32_t i = 0; i < primitives_.size(); ++i)
        primitives_[i] = DynamicType::Primitive(static_cast<TypeKind>(kFirstPrimitive + i));
}

TypeResolver::Builder TypeResolver::BuilderFor(std::string_view element) {
    static constexpr std::pair<std::string_view, Builder> kBuilders[] = {
        {"struct", &TypeResolver::BuildStruct},   {"union", &TypeResolver::BuildUnion},
        {"enum", &TypeResolver::BuildEnum},       {"bitmask", &TypeResolver::BuildBitmask},
        {"bitset", &TypeResolver::BuildBitset},   {"typedef", &TypeResolver::BuildTypedef},
    };
    for (const auto& [name, builder] : kBuilders)
        if (name == element) return builder;
    return nullptr;
}

bool TypeResolver::Builds(std::string_view element) { return BuilderFor(element) != nullptr; }

DynamicTypePtr TypeResolver::Resolve(const Declaration& declaration) {
    return ResolveFor(declaration, DefinitionSite(declaration));
}

DynamicTypePtr TypeResolver::ResolveFor(const Declaration& declaration, const DefinitionSite& user) {
    if (const auto it = built_.find(&declaration); it != built_.end()) return it->second;
    if (std::find(inProgress_.begin(), inProgress_.end(), &declaration) != inProgress_.end()) {
        std::string chain;
        for (const Declaration* d : inProgress_) chain += d->qualifiedName + " -> ";
        user.Fail("Circular type definition " + Quoted(chain + declaration.qualifiedName));
    }
    const Builder builder = BuilderFor(declaration.node.name());
    if (builder == nullptr)
        DefinitionSite(declaration).Fail("Unsupported definition <" + std::string(declaration.node.name()) + ">");
    inProgress_.push_back(&declaration);
    DynamicTypePtr type = (this->*builder)(declaration);
    inProgress_.pop_back();
    built_.emplace(&declaration, type);
    return type;
}

DynamicTypePtr TypeResolver::NamedType(std::string_view name, std::string_view role,
                                       const DefinitionSite& site) {
    const Declaration* declaration = index_.FindType(name, site.scope());
    if (declaration == nullptr) site.Fail("Unknown " + std::string(role) + " " + Quoted(name));
    return ResolveFor(*declaration, site);
}

int64_t TypeResolver::ReadInteger(const pugi::xml_attribute& attribute, int64_t low, int64_t high,
                                  const DefinitionSite& site) {
    const int64_t value = consts_.Evaluate(attribute.value(), site);
    if (value < low || value > high) {
        site.Fail("Invalid " + std::string(attribute.name()) + " " + Quoted(attribute.value()) +
                  " (" + std::to_string(value) + " is not within " + std::to_string(low) + ".." +
                  std::to_string(high) + ")");
    }
    return value;
}

uint32_t TypeResolver::ReadBound(const pugi::xml_attribute& attribute, const DefinitionSite& site) {
    if (!attribute) return xtypes::kUnbounded;
    const std::string_view text = attribute.value();
    if (text == "-1") return xtypes::kUnbounded;
    return static_cast<uint32_t>(
        ReadInteger(attribute, 1, std::numeric_limits<uint32_t>::max(), site));
}

std::vector<uint32_t> TypeResolver::ReadDimensions(const pugi::xml_attribute& attribute,
                                                   const DefinitionSite& site) {
    std::vector<uint32_t> dimensions;
    std::string_view text = attribute.value();
    while (true) {
        const size_t comma = text.find(',');
        const std::string entry(text.substr(0, comma));
        const int64_t value = consts_.Evaluate(entry, site);
        if (value < 1 || value > std::numeric_limits<uint32_t>::max())
            site.Fail("Invalid array dimension " + Quoted(entry) + " in arrayDimensions " +
                      Quoted(attribute.value()));
        dimensions.push_back(static_cast<uint32_t>(value));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return dimensions;
}

DynamicTypePtr TypeResolver::ElementType(const pugi::xml_node& node, const DefinitionSite& site) {
    const pugi::xml_attribute typeAttribute = node.attribute("type");
    if (!typeAttribute) site.Fail("Missing type");
    const std::string_view typeName = typeAttribute.value();
    if (typeName == "nonBasic") {
        const std::string_view name = node.attribute("nonBasicTypeName").value();
        if (name.empty()) site.Fail("Missing nonBasicTypeName");
        return NamedType(name, "type", site);
    }
    const TypeKind kind = MemberTypeKind(typeName);
    if (kind == TypeKind::STRING) return DynamicType::String(ReadBound(node.attribute("stringMaxLength"), site));
    if (kind == TypeKind::WSTRING) return DynamicType::WString(ReadBound(node.attribute("stringMaxLength"), site));
    if (!xtypes::IsPrimitiveKind(kind)) site.Fail("Unknown type " + Quoted(typeName));
    return primitives_[static_cast<uint32_t>(kind) - kFirstPrimitive];
}

DynamicTypePtr TypeResolver::ComposeType(const pugi::xml_node& node, const DefinitionSite& site) {
    // The type system has no map kind: reading the value type alone would mis-decode the data.
    if (node.attribute("mapMaxLength")) site.Fail("Map members are not supported");
    DynamicTypePtr type = ElementType(node, site);
    if (const pugi::xml_attribute bound = node.attribute("sequenceMaxLength"))
        type = DynamicType::Sequence(std::move(type), ReadBound(bound, site));
    if (const pugi::xml_attribute dimensions = node.attribute("arrayDimensions"))
        type = DynamicType::Array(std::move(type), ReadDimensions(dimensions, site));
    return type;
}

xtypes::Member TypeResolver::ReadMember(const pugi::xml_node& node, const DefinitionSite& owner) {
    xtypes::Member member;
    member.name = RequireName(node, owner);
    const DefinitionSite site = owner.ForMember(member.name);
    member.type = ComposeType(node, site);
    member.key = ReadFlag(node, "key", site);
    member.optional = ReadFlag(node, "optional", site);
    if (const pugi::xml_attribute id = node.attribute("id"))
        member.id = static_cast<uint32_t>(ReadInteger(id, 0, 0x0FFFFFFF, site));
    return member;
}

DynamicTypePtr TypeResolver::BuildStruct(const Declaration& declaration) {
    const DefinitionSite site(declaration);
    const Extensibility extensibility = ReadExtensibility(declaration.node, site);
    DynamicTypePtr parent;
    if (const std::string_view base = declaration.node.attribute("baseType").value(); !base.empty())
        parent = NamedType(base, "base type", site);
    std::vector<xtypes::Member> members;
    for (const pugi::xml_node& child : declaration.node.children("member"))
        members.push_back(ReadMember(child, site));
    return Construct(site, [&] {
        return DynamicType::Structure(declaration.qualifiedName, std::move(members), extensibility,
                                      std::move(parent));
    });
}

DynamicTypePtr TypeResolver::BuildUnion(const Declaration& declaration) {
    const DefinitionSite site(declaration);
    const Extensibility extensibility = ReadExtensibility(declaration.node, site);
    const pugi::xml_node discriminatorNode = declaration.node.child("discriminator");
    if (!discriminatorNode) site.Fail("Missing discriminator");
    const DynamicTypePtr discriminator = ComposeType(discriminatorNode, site.ForMember("discriminator"));
    const DynamicType& resolved = discriminator->Resolve();
    std::vector<xtypes::Member> cases;
    for (const pugi::xml_node& caseNode : declaration.node.children("case")) {
        const pugi::xml_node memberNode = caseNode.child("member");
        if (!memberNode) site.Fail("A <case> without a member");
        if (memberNode.next_sibling("member")) site.Fail("A <case> with more than one member");
        xtypes::Member member = ReadMember(memberNode, site);
        const DefinitionSite caseSite = site.ForMember(member.name);
        for (const pugi::xml_node& label : caseNode.children("caseDiscriminator")) {
            const pugi::xml_attribute value = label.attribute("value");
            if (!value) caseSite.Fail("A <caseDiscriminator> without a value");
            if (std::string_view(value.value()) == "default")
                member.isDefault = true;
            else
                member.labels.push_back(ReadUnionLabel(value.value(), resolved, consts_, caseSite));
        }
        cases.push_back(std::move(member));
    }
    return Construct(site, [&] {
        return DynamicType::Union(declaration.qualifiedName, discriminator, std::move(cases),
                                  extensibility);
    });
}

uint32_t TypeResolver::ReadBitBound(const pugi::xml_node& node, int64_t highest, const DefinitionSite& site) {
    const pugi::xml_attribute bound = node.attribute("bitBound");
    return bound ? static_cast<uint32_t>(ReadInteger(bound, 1, highest, site)) : 32;
}

std::vector<std::pair<std::string, int64_t>> TypeResolver::ReadNumberedChildren(
    const pugi::xml_node& node, const char* element, std::initializer_list<const char*> valueAttributes,
    int64_t lowest, int64_t highest, const DefinitionSite& site) {
    std::vector<std::pair<std::string, int64_t>> numbered;
    int64_t next = 0;
    for (const pugi::xml_node& child : node.children(element)) {
        std::string name = RequireName(child, site);
        const DefinitionSite childSite = site.ForMember(name);
        for (const char* attributeName : valueAttributes) {
            if (const pugi::xml_attribute value = child.attribute(attributeName)) {
                next = ReadInteger(value, lowest, highest, childSite);
                break;
            }
        }
        if (next > highest) childSite.Fail("Implicit value " + std::to_string(next) + " is above " + std::to_string(highest));
        numbered.emplace_back(std::move(name), next++);
    }
    return numbered;
}

DynamicTypePtr TypeResolver::BuildEnum(const Declaration& declaration) {
    const DefinitionSite site(declaration);
    const uint32_t bitBound = ReadBitBound(declaration.node, 32, site);
    std::vector<xtypes::Enumerator> enumerators;
    for (auto& [name, value] :
         ReadNumberedChildren(declaration.node, "enumerator", {"value"}, std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max(), site))
        enumerators.push_back({std::move(name), static_cast<int32_t>(value)});
    return Construct(site, [&] {
        return DynamicType::Enumeration(declaration.qualifiedName, std::move(enumerators), bitBound);
    });
}

DynamicTypePtr TypeResolver::BuildBitmask(const Declaration& declaration) {
    const DefinitionSite site(declaration);
    const uint32_t bitBound = ReadBitBound(declaration.node, 64, site);
    std::vector<xtypes::BitFlag> flags;
    for (auto& [name, position] : ReadNumberedChildren(declaration.node, "flag", {"position", "value"}, 0, 63, site))
        flags.push_back({std::move(name), static_cast<uint16_t>(position)});
    return Construct(site, [&] {
        return DynamicType::Bitmask(declaration.qualifiedName, std::move(flags), bitBound);
    });
}

DynamicTypePtr TypeResolver::BuildBitset(const Declaration& declaration) {
    const DefinitionSite site(declaration);
    std::vector<xtypes::BitField> fields;
    for (const pugi::xml_node& child : declaration.node.children("bitfield")) {
        xtypes::BitField field;
        field.name = child.attribute("name").value();  // unnamed bitfields are padding
        const DefinitionSite fieldSite = site.ForMember(field.name);
        const pugi::xml_attribute bits = child.attribute("bitBound");
        if (!bits) fieldSite.Fail("Missing bitBound");
        field.bitCount = static_cast<uint16_t>(ReadInteger(bits, 1, 64, fieldSite));
        field.kind = BitfieldHolderKind(field.bitCount);
        if (child.attribute("type")) {
            field.kind = MemberTypeKind(child.attribute("type").value());
            if (!xtypes::IsPrimitiveKind(field.kind))
                fieldSite.Fail("Invalid bitfield type " + Quoted(child.attribute("type").value()));
        }
        fields.push_back(std::move(field));
    }
    return Construct(site, [&] { return DynamicType::Bitset(declaration.qualifiedName, std::move(fields)); });
}

DynamicTypePtr TypeResolver::BuildTypedef(const Declaration& declaration) {
    const DefinitionSite site(declaration);
    DynamicTypePtr related = ComposeType(declaration.node, site);
    return Construct(site, [&] { return DynamicType::Alias(declaration.qualifiedName, std::move(related)); });
}

}  // namespace Quorvel::xml
