#pragma once

// Immutable description of a DDS data type (DDS-XTypes type system). Types are built once,
// bottom-up, through the factory functions below, and shared read-only between threads
// through DynamicTypePtr; nothing about a type changes after construction, so the codec and
// the dissectors may cache whatever they derive from it.

#include "middleware/xtypes/TypeKind.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace Quorvel::xtypes {

class DataLayout;
class DynamicType;
using DynamicTypePtr = std::shared_ptr<const DynamicType>;

// Member ids are assigned sequentially (previous id + 1, the first after the base type's
// last) unless a member carries an explicit id.
inline constexpr uint32_t kAutoMemberId = std::numeric_limits<uint32_t>::max();
// Bound of an unbounded string or sequence.
inline constexpr uint32_t kUnbounded = 0;

// One member of a structure or one case of a union.
struct Member {
    std::string name;
    DynamicTypePtr type;
    uint32_t id = kAutoMemberId;
    bool key = false;
    bool optional = false;
    // Union cases only: the discriminator values that select this member, and whether it is
    // the default case (selected by every value no label of any case names).
    std::vector<int64_t> labels;
    bool isDefault = false;
};

struct Enumerator {
    std::string name;
    int32_t value = 0;
};

// A bitmask flag: a name for one bit position.
struct BitFlag {
    std::string name;
    uint16_t position = 0;
};

// A bitset field: `bitCount` bits holding a value of `kind` (boolean, byte or an integer).
struct BitField {
    std::string name;
    uint16_t bitCount = 0;
    TypeKind kind = TypeKind::NO_TYPE;
};

class DynamicType {
public:
    // --- construction (every function validates and throws std::invalid_argument) ---
    static DynamicTypePtr Primitive(TypeKind kind);
    static DynamicTypePtr String(uint32_t bound = kUnbounded);
    static DynamicTypePtr WString(uint32_t bound = kUnbounded);
    static DynamicTypePtr Sequence(DynamicTypePtr element, uint32_t bound = kUnbounded);
    // Dimensions outermost first; every dimension must be at least 1.
    static DynamicTypePtr Array(DynamicTypePtr element, std::vector<uint32_t> dimensions);
    static DynamicTypePtr Alias(std::string name, DynamicTypePtr related);
    static DynamicTypePtr Enumeration(std::string name, std::vector<Enumerator> enumerators,
                                      uint32_t bitBound = 32);
    static DynamicTypePtr Bitmask(std::string name, std::vector<BitFlag> flags,
                                  uint32_t bitBound = 32);
    static DynamicTypePtr Bitset(std::string name, std::vector<BitField> fields);
    // `parent` (may be null) must resolve to a structure; its members come first in the data.
    static DynamicTypePtr Structure(std::string name, std::vector<Member> members,
                                    Extensibility extensibility, DynamicTypePtr parent = nullptr);
    // The discriminator must resolve to boolean, byte, char8, char16, an integer or an enumeration.
    static DynamicTypePtr Union(std::string name, DynamicTypePtr discriminator,
                                std::vector<Member> cases, Extensibility extensibility);

    // --- every kind ---
    TypeKind kind() const { return kind_; }
    // Fully qualified name ("Geo::Track") of named types; for anonymous types a readable
    // IDL-like spelling ("long", "string<16>", "sequence<Geo::Point, 100>").
    const std::string& name() const { return name_; }
    Extensibility extensibility() const { return extensibility_; }
    bool IsPrimitive() const { return IsPrimitiveKind(kind_); }
    // Follows alias chains to the first non-alias type (the type itself when not an alias).
    const DynamicType& Resolve() const;
    DynamicTypePtr ResolvePtr(const DynamicTypePtr& self) const;

    // Where a value of this type sits inside a DynamicData (aliases: their resolved type's).
    const DataLayout& layout() const { return *Resolve().layout_; }

    // --- alias ---
    const DynamicTypePtr& related_type() const { return content_; }

    // --- string, wstring, sequence: 0 = unbounded ---
    uint32_t bound() const { return bound_; }

    // --- array, sequence ---
    const DynamicTypePtr& content_type() const { return content_; }
    // --- array ---
    uint32_t dimension_count() const { return static_cast<uint32_t>(dimensions_.size()); }
    uint32_t dimension(uint32_t index) const { return dimensions_.at(index); }
    const std::vector<uint32_t>& dimensions() const { return dimensions_; }
    uint32_t total_element_count() const { return totalElements_; }

    // --- structure ---
    bool has_parent() const { return parent_ != nullptr; }
    const DynamicTypePtr& parent() const { return parent_; }
    // Own members only (declaration order).
    const std::vector<Member>& members() const { return members_; }
    // Inherited members first, then own: the member order of the data.
    const std::vector<Member>& all_members() const { return allMembers_; }
    uint32_t member_count() const { return static_cast<uint32_t>(allMembers_.size()); }
    // Index into all_members() (or a union's cases), or -1.
    int32_t FindMemberIndex(std::string_view memberName) const;
    int32_t FindMemberIndexById(uint32_t id) const;
    bool HasKey() const { return hasKey_; }

    // --- union ---
    const DynamicTypePtr& discriminator() const { return content_; }
    // Index of the default case, or -1.
    int32_t default_case_index() const { return defaultCase_; }
    // Index of the case selected by a discriminator value (the default case when no label
    // matches), or -1 when nothing is selected.
    int32_t SelectCase(int64_t discriminatorValue) const;
    // A discriminator value that selects the default case / no case (for initialising data).
    int64_t DefaultDiscriminatorValue() const { return defaultDiscriminator_; }

    // --- enumeration, bitmask ---
    uint32_t bit_bound() const { return bound_; }
    const std::vector<Enumerator>& enumerators() const { return enumerators_; }
    // Enumerator for a value, or null.
    const Enumerator* FindEnumerator(int32_t value) const;
    const Enumerator* FindEnumerator(std::string_view enumeratorName) const;
    const std::vector<BitFlag>& flags() const { return flags_; }

    // --- bitset ---
    const std::vector<BitField>& bitfields() const { return bitfields_; }

    DynamicType(const DynamicType&) = delete;
    DynamicType& operator=(const DynamicType&) = delete;
    ~DynamicType();

private:
    struct Token {};
    static DynamicTypePtr Finish(std::shared_ptr<DynamicType> type);

public:
    // Only the factory functions construct (make_shared needs a public constructor).
    DynamicType(Token, TypeKind kind, std::string name);

private:
    TypeKind kind_;
    std::string name_;
    Extensibility extensibility_ = Extensibility::FINAL;
    DynamicTypePtr content_;  // alias target, element type, or union discriminator
    DynamicTypePtr parent_;
    uint32_t bound_ = kUnbounded;
    std::vector<uint32_t> dimensions_;
    uint32_t totalElements_ = 0;
    std::vector<Member> members_;
    std::vector<Member> allMembers_;
    std::vector<Enumerator> enumerators_;
    std::vector<BitFlag> flags_;
    std::vector<BitField> bitfields_;
    int32_t defaultCase_ = -1;
    int64_t defaultDiscriminator_ = 0;
    bool hasKey_ = false;
    std::unique_ptr<const DataLayout> layout_;  // null for aliases
};

}  // namespace Quorvel::xtypes
