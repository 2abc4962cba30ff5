#include "middleware/xtypes/DynamicType.h"

#include "middleware/xtypes/DataLayout.h"

#include <algorithm>
#include <set>
#include <stdexcept>
#include <unordered_set>

namespace Quorvel::xtypes {

namespace {

[[noreturn]] void Fail(const std::string& typeName, const std::string& what) {
    throw std::invalid_argument("type " + typeName + ": " + what);
}

std::string PrimitiveName(TypeKind kind) {
    switch (kind) {
        case TypeKind::BOOLEAN: return "boolean";
        case TypeKind::BYTE: return "octet";
        case TypeKind::INT8: return "int8";
        case TypeKind::INT16: return "short";
        case TypeKind::UINT16: return "unsigned short";
        case TypeKind::INT32: return "long";
        case TypeKind::UINT32: return "unsigned long";
        case TypeKind::INT64: return "long long";
        case TypeKind::UINT64: return "unsigned long long";
        case TypeKind::FLOAT32: return "float";
        case TypeKind::FLOAT64: return "double";
        case TypeKind::FLOAT128: return "long double";
        case TypeKind::CHAR8: return "char";
        case TypeKind::CHAR16: return "wchar";
        default: return "";
    }
}

std::string BoundSuffix(uint32_t bound) {
    return bound == kUnbounded ? std::string() : "<" + std::to_string(bound) + ">";
}

bool IsValidDiscriminatorKind(TypeKind kind) {
    switch (kind) {
        case TypeKind::BOOLEAN:
        case TypeKind::BYTE:
        case TypeKind::INT8:
        case TypeKind::CHAR8:
        case TypeKind::CHAR16:
        case TypeKind::INT16:
        case TypeKind::UINT16:
        case TypeKind::INT32:
        case TypeKind::UINT32:
        case TypeKind::INT64:
        case TypeKind::UINT64:
        case TypeKind::ENUMERATION: return true;
        default: return false;
    }
}

void RequireType(const DynamicTypePtr& type, const std::string& owner, const std::string& what) {
    if (!type) Fail(owner, what + " has no type");
}

// Assigns sequential ids where none was given and rejects duplicate names and ids.
void AssignMemberIds(const std::string& owner, std::vector<Member>& members,
                     const std::vector<Member>& inherited) {
    std::unordered_set<std::string> names;
    std::unordered_set<uint32_t> ids;
    uint32_t next = 0;
    for (const Member& m : inherited) {
        names.insert(m.name);
        ids.insert(m.id);
        next = m.id + 1;
    }
    for (Member& m : members) {
        if (m.name.empty()) Fail(owner, "a member has no name");
        RequireType(m.type, owner, "member " + m.name);
        if (!names.insert(m.name).second) Fail(owner, "member " + m.name + " is declared twice");
        if (m.id == kAutoMemberId) m.id = next;
        if (m.id > 0x0FFFFFFF) Fail(owner, "member " + m.name + " has an id above 0x0FFFFFFF");
        if (!ids.insert(m.id).second)
            Fail(owner, "member " + m.name + " reuses member id " + std::to_string(m.id));
        next = m.id + 1;
    }
}

}  // namespace

std::string_view TypeKindName(TypeKind kind) {
    switch (kind) {
        case TypeKind::NO_TYPE: return "NO_TYPE";
        case TypeKind::BOOLEAN: return "BOOLEAN";
        case TypeKind::BYTE: return "BYTE";
        case TypeKind::INT8: return "INT8";
        case TypeKind::INT16: return "INT16";
        case TypeKind::UINT16: return "UINT16";
        case TypeKind::INT32: return "INT32";
        case TypeKind::UINT32: return "UINT32";
        case TypeKind::INT64: return "INT64";
        case TypeKind::UINT64: return "UINT64";
        case TypeKind::FLOAT32: return "FLOAT32";
        case TypeKind::FLOAT64: return "FLOAT64";
        case TypeKind::FLOAT128: return "FLOAT128";
        case TypeKind::CHAR8: return "CHAR8";
        case TypeKind::CHAR16: return "CHAR16";
        case TypeKind::ENUMERATION: return "ENUMERATION";
        case TypeKind::BITMASK: return "BITMASK";
        case TypeKind::ALIAS: return "ALIAS";
        case TypeKind::STRUCTURE: return "STRUCTURE";
        case TypeKind::UNION: return "UNION";
        case TypeKind::BITSET: return "BITSET";
        case TypeKind::ARRAY: return "ARRAY";
        case TypeKind::SEQUENCE: return "SEQUENCE";
        case TypeKind::STRING: return "STRING";
        case TypeKind::WSTRING: return "WSTRING";
    }
    return "UNKNOWN";
}

DynamicType::DynamicType(Token, TypeKind kind, std::string name)
    : kind_(kind), name_(std::move(name)) {}

DynamicType::~DynamicType() = default;

DynamicTypePtr DynamicType::Finish(std::shared_ptr<DynamicType> type) {
    if (type->kind_ != TypeKind::ALIAS) type->layout_ = DataLayout::Build(*type);
    return type;
}

DynamicTypePtr DynamicType::Primitive(TypeKind kind) {
    if (!IsPrimitiveKind(kind))
        Fail(std::string(TypeKindName(kind)), "is not a primitive kind");
    return Finish(std::make_shared<DynamicType>(Token{}, kind, PrimitiveName(kind)));
}

DynamicTypePtr DynamicType::String(uint32_t bound) {
    auto t = std::make_shared<DynamicType>(Token{}, TypeKind::STRING, "string" + BoundSuffix(bound));
    t->bound_ = bound;
    return Finish(std::move(t));
}

DynamicTypePtr DynamicType::WString(uint32_t bound) {
    auto t = std::make_shared<DynamicType>(Token{}, TypeKind::WSTRING, "wstring" + BoundSuffix(bound));
    t->bound_ = bound;
    return Finish(std::move(t));
}

DynamicTypePtr DynamicType::Sequence(DynamicTypePtr element, uint32_t bound) {
    RequireType(element, "sequence", "the element");
    std::string name = "sequence<" + element->name() +
                       (bound == kUnbounded ? std::string() : ", " + std::to_string(bound)) + ">";
    auto t = std::make_shared<DynamicType>(Token{}, TypeKind::SEQUENCE, std::move(name));
    t->content_ = std::move(element);
    t->bound_ = bound;
    return Finish(std::move(t));
}

DynamicTypePtr DynamicType::Array(DynamicTypePtr element, std::vector<uint32_t> dimensions) {
    RequireType(element, "array", "the element");
    if (dimensions.empty()) Fail(element->name() + "[]", "an array needs at least one dimension");
    std::string name = element->name();
    uint64_t total = 1;
    for (uint32_t d : dimensions) {
        if (d == 0) Fail(element->name() + "[0]", "an array dimension must be at least 1");
        total *= d;
        if (total > std::numeric_limits<uint32_t>::max())
            Fail(element->name(), "array has more than 2^32-1 elements");
        name += "[" + std::to_string(d) + "]";
    }
    auto t = std::make_shared<DynamicType>(Token{}, TypeKind::ARRAY, std::move(name));
    t->content_ = std::move(element);
    t->dimensions_ = std::move(dimensions);
    t->totalElements_ = static_cast<uint32_t>(total);
    return Finish(std::move(t));
}

DynamicTypePtr DynamicType::Alias(std::string name, DynamicTypePtr related) {
    RequireType(related, name, "the aliased type");
    auto t = std::make_shared<DynamicType>(Token{}, TypeKind::ALIAS, std::move(name));
    t->content_ = std::move(related);
    return Finish(std::move(t));
}

DynamicTypePtr DynamicType::Enumeration(std::string name, std::vector<Enumerator> enumerators,
                                        uint32_t bitBound) {
    if (enumerators.empty()) Fail(name, "an enumeration needs at least one enumerator");
    if (bitBound == 0 || bitBound > 32) Fail(name, "bit bound must be 1 to 32");
    std::set<std::string> names;
    std::set<int32_t> values;
    for (const Enumerator& e : enumerators) {
        if (!names.insert(e.name).second) Fail(name, "enumerator " + e.name + " is declared twice");
        if (!values.insert(e.value).second)
            Fail(name, "enumerator " + e.name + " reuses value " + std::to_string(e.value));
    }
    auto t = std::make_shared<DynamicType>(Token{}, TypeKind::ENUMERATION, std::move(name));
    t->enumerators_ = std::move(enumerators);
    t->bound_ = bitBound;
    return Finish(std::move(t));
}

DynamicTypePtr DynamicType::Bitmask(std::string name, std::vector<BitFlag> flags, uint32_t bitBound) {
    if (bitBound == 0 || bitBound > 64) Fail(name, "bit bound must be 1 to 64");
    std::set<uint16_t> positions;
    for (const BitFlag& f : flags) {
        if (f.position >= bitBound) Fail(name, "flag " + f.name + " lies beyond the bit bound");
        if (!positions.insert(f.position).second) Fail(name, "flag " + f.name + " reuses a position");
    }
    auto t = std::make_shared<DynamicType>(Token{}, TypeKind::BITMASK, std::move(name));
    t->flags_ = std::move(flags);
    t->bound_ = bitBound;
    return Finish(std::move(t));
}

DynamicTypePtr DynamicType::Bitset(std::string name, std::vector<BitField> fields) {
    uint32_t bits = 0;
    for (const BitField& f : fields) {
        if (f.bitCount == 0 || f.bitCount > 64) Fail(name, "bitfield " + f.name + " must hold 1 to 64 bits");
        bits += f.bitCount;
    }
    if (bits > 64) Fail(name, "a bitset holds at most 64 bits");
    auto t = std::make_shared<DynamicType>(Token{}, TypeKind::BITSET, std::move(name));
    t->bitfields_ = std::move(fields);
    t->bound_ = bits;
    return Finish(std::move(t));
}

DynamicTypePtr DynamicType::Structure(std::string name, std::vector<Member> members,
                                      Extensibility extensibility, DynamicTypePtr parent) {
    std::vector<Member> inherited;
    if (parent) {
        const DynamicType& base = parent->Resolve();
        if (base.kind() != TypeKind::STRUCTURE)
            Fail(name, "base type " + parent->name() + " is not a structure");
        inherited = base.all_members();
    }
    for (const Member& m : members) {
        if (!m.labels.empty() || m.isDefault) Fail(name, "member " + m.name + " has union labels");
        if (m.key && m.optional) Fail(name, "member " + m.name + " cannot be key and optional");
    }
    AssignMemberIds(name, members, inherited);
    auto t = std::make_shared<DynamicType>(Token{}, TypeKind::STRUCTURE, std::move(name));
    t->extensibility_ = extensibility;
    t->parent_ = std::move(parent);
    t->allMembers_ = std::move(inherited);
    t->allMembers_.insert(t->allMembers_.end(), members.begin(), members.end());
    t->members_ = std::move(members);
    t->hasKey_ = std::any_of(t->allMembers_.begin(), t->allMembers_.end(),
                             [](const Member& m) { return m.key; });
    return Finish(std::move(t));
}

DynamicTypePtr DynamicType::Union(std::string name, DynamicTypePtr discriminator,
                                  std::vector<Member> cases, Extensibility extensibility) {
    RequireType(discriminator, name, "the discriminator");
    if (!IsValidDiscriminatorKind(discriminator->Resolve().kind()))
        Fail(name, "discriminator type " + discriminator->name() + " cannot select a union case");
    if (cases.empty()) Fail(name, "a union needs at least one case");
    std::set<int64_t> labels;
    int32_t defaultCase = -1;
    for (size_t i = 0; i < cases.size(); ++i) {
        const Member& c = cases[i];
        if (c.optional) Fail(name, "union case " + c.name + " cannot be optional");
        if (c.labels.empty() && !c.isDefault) Fail(name, "union case " + c.name + " has no label");
        for (int64_t label : c.labels)
            if (!labels.insert(label).second)
                Fail(name, "label " + std::to_string(label) + " selects two cases");
        if (c.isDefault) {
            if (defaultCase >= 0) Fail(name, "more than one default case");
            defaultCase = static_cast<int32_t>(i);
        }
    }
    AssignMemberIds(name, cases, {});
    auto t = std::make_shared<DynamicType>(Token{}, TypeKind::UNION, std::move(name));
    t->extensibility_ = extensibility;
    t->content_ = std::move(discriminator);
    t->members_ = std::move(cases);
    t->allMembers_ = t->members_;
    t->defaultCase_ = defaultCase;
    // The initial discriminator: the lowest label when there is no default case (the first
    // case is then selected), otherwise the lowest value no label names.
    if (defaultCase < 0) {
        t->defaultDiscriminator_ = *labels.begin();
    } else {
        int64_t v = 0;
        while (labels.count(v) != 0) ++v;
        t->defaultDiscriminator_ = v;
    }
    return Finish(std::move(t));
}

const DynamicType& DynamicType::Resolve() const {
    const DynamicType* t = this;
    while (t->kind_ == TypeKind::ALIAS) t = t->content_.get();
    return *t;
}

DynamicTypePtr DynamicType::ResolvePtr(const DynamicTypePtr& self) const {
    DynamicTypePtr t = self;
    while (t->kind_ == TypeKind::ALIAS) t = t->content_;
    return t;
}

int32_t DynamicType::FindMemberIndex(std::string_view memberName) const {
    for (size_t i = 0; i < allMembers_.size(); ++i)
        if (allMembers_[i].name == memberName) return static_cast<int32_t>(i);
    return -1;
}

int32_t DynamicType::FindMemberIndexById(uint32_t id) const {
    for (size_t i = 0; i < allMembers_.size(); ++i)
        if (allMembers_[i].id == id) return static_cast<int32_t>(i);
    return -1;
}

int32_t DynamicType::SelectCase(int64_t discriminatorValue) const {
    for (size_t i = 0; i < members_.size(); ++i)
        for (int64_t label : members_[i].labels)
            if (label == discriminatorValue) return static_cast<int32_t>(i);
    return defaultCase_;
}

const Enumerator* DynamicType::FindEnumerator(int32_t value) const {
    for (const Enumerator& e : enumerators_)
        if (e.value == value) return &e;
    return nullptr;
}

const Enumerator* DynamicType::FindEnumerator(std::string_view enumeratorName) const {
    for (const Enumerator& e : enumerators_)
        if (e.name == enumeratorName) return &e;
    return nullptr;
}

}  // namespace Quorvel::xtypes
