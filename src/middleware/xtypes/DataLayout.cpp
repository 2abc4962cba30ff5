#include "middleware/xtypes/DataLayout.h"

#include "middleware/xtypes/DynamicType.h"
#include "middleware/xtypes/SequenceSlot.h"

#include <algorithm>
#include <string>

namespace Quorvel::xtypes {

namespace {

uint32_t AlignUp(uint32_t value, uint32_t align) { return (value + align - 1) / align * align; }

Shape PrimitiveShape(TypeKind kind) {
    switch (kind) {
        case TypeKind::BOOLEAN: return Shape::BOOLEAN;
        case TypeKind::BYTE: return Shape::BYTE;
        case TypeKind::INT8: return Shape::INT8;
        case TypeKind::INT16: return Shape::INT16;
        case TypeKind::UINT16: return Shape::UINT16;
        case TypeKind::INT32: return Shape::INT32;
        case TypeKind::UINT32: return Shape::UINT32;
        case TypeKind::INT64: return Shape::INT64;
        case TypeKind::UINT64: return Shape::UINT64;
        case TypeKind::FLOAT32: return Shape::FLOAT32;
        case TypeKind::FLOAT64: return Shape::FLOAT64;
        case TypeKind::FLOAT128: return Shape::FLOAT128;
        case TypeKind::CHAR8: return Shape::CHAR8;
        default: return Shape::CHAR16;
    }
}

// Bytes a bit-bounded value (enumeration in XCDR2, bitmask, bitset) takes: DDS-XTypes 1.3,
// 7.4.3.4.
uint32_t BitBoundSize(uint32_t bits) {
    if (bits <= 8) return 1;
    if (bits <= 16) return 2;
    if (bits <= 32) return 4;
    return 8;
}

const DataLayout& LayoutOf(const DynamicTypePtr& type) { return type->Resolve().layout(); }

void SetSlot(DataLayout& l, uint32_t size, uint32_t align) {
    l.size = size;
    l.align = align;
    l.trivial = false;
    l.zeroDefault = false;
}

void BuildCollection(DataLayout& l, const DynamicType& type) {
    const DataLayout& element = LayoutOf(type.content_type());
    l.element = &element;
    l.stride = AlignUp(element.size, element.align);
    if (type.kind() == TypeKind::SEQUENCE) {
        l.shape = Shape::SEQUENCE;
        l.bound = type.bound();
        SetSlot(l, sizeof(SequenceSlot), alignof(SequenceSlot));
        return;
    }
    l.shape = Shape::ARRAY;
    l.count = type.total_element_count();
    l.size = l.stride * l.count;
    l.align = element.align;
    l.trivial = element.trivial;
    l.zeroDefault = element.zeroDefault;
}

// Places members one after the other from `offset`, each at its own alignment.
uint32_t PlaceFields(DataLayout& l, const std::vector<Member>& members, uint32_t offset) {
    for (const Member& m : members) {
        FieldLayout f;
        f.layout = &LayoutOf(m.type);
        f.member = &m;
        f.id = m.id;
        f.optional = m.optional;
        f.key = m.key;
        if (m.optional) f.presenceOffset = offset++;
        offset = AlignUp(offset, f.layout->align);
        f.offset = offset;
        offset += f.layout->size;
        l.align = std::max(l.align, f.layout->align);
        l.trivial = l.trivial && f.layout->trivial;
        l.zeroDefault = l.zeroDefault && f.layout->zeroDefault;
        l.fieldsByName.emplace_back(m.name, static_cast<uint32_t>(l.fields.size()));
        l.fields.push_back(f);
    }
    std::sort(l.fieldsByName.begin(), l.fieldsByName.end());
    return offset;
}

bool InRun(const FieldLayout& f) { return !f.optional && f.layout->IsBulkCopyable(); }

// Marks the start of every run of two or more bulk-copyable members.
void FindRuns(DataLayout& l) {
    auto& fields = l.fields;
    for (size_t start = 0; start < fields.size();) {
        size_t end = start;
        while (end < fields.size() && InRun(fields[end])) ++end;
        if (end - start >= 2) {
            FieldLayout& head = fields[start];
            head.runCount = static_cast<uint32_t>(end - start);
            const FieldLayout& last = fields[end - 1];
            head.runBytes = last.offset + last.layout->size - head.offset;
            head.runXcdr2 = true;
            for (size_t i = start; i < end; ++i) {
                head.runAlign = std::max(head.runAlign, fields[i].layout->align);
                // Memory pads an 8-byte value to 8 where XCDR2 pads it to 4 only.
                const uint32_t previousEnd = i == start ? fields[i].offset
                                                        : fields[i - 1].offset + fields[i - 1].layout->size;
                if (fields[i].layout->align == 8 && fields[i].offset - previousEnd >= 4) head.runXcdr2 = false;
            }
        }
        start = end == start ? start + 1 : end;
    }
}

void BuildStructure(DataLayout& l, const DynamicType& type) {
    l.shape = Shape::STRUCTURE;
    l.extensibility = type.extensibility();
    // PlaceFields raises l.align: it must run before the size is rounded up to it (as one
    // call's two arguments, the alignment was read first and a structure of an 8-byte member
    // and a 4-byte one was 12 bytes long, so every other element of a sequence of it was
    // misaligned).
    const uint32_t end = PlaceFields(l, type.all_members(), 0);
    l.size = AlignUp(end, l.align);
    FindRuns(l);
    l.flat = !l.fields.empty() && l.fields.front().runCount == l.fields.size() &&
             l.fields.front().runBytes == l.size;
    if (l.size == 0) l.size = 1;  // an empty structure still has an address
}

void BuildUnion(DataLayout& l, const DynamicType& type) {
    l.shape = Shape::UNION;
    l.extensibility = type.extensibility();
    l.discriminator = &LayoutOf(type.discriminator());
    l.align = 8;
    const uint32_t end = PlaceFields(l, type.members(), kUnionHeaderSize);
    l.size = AlignUp(end, l.align);
    l.zeroDefault = false;
    l.defaultCase = type.default_case_index();
    l.defaultDiscriminator = type.DefaultDiscriminatorValue();
    for (size_t i = 0; i < type.members().size(); ++i)
        for (int64_t label : type.members()[i].labels)
            l.labels.push_back({l.NormalizeDiscriminator(label), static_cast<int32_t>(i)});
    l.defaultDiscriminator = l.NormalizeDiscriminator(l.defaultDiscriminator);
    std::sort(l.labels.begin(), l.labels.end(),
              [](const CaseLabel& a, const CaseLabel& b) { return a.value < b.value; });
}

uint32_t Saturate(uint64_t v) { return v > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(v); }

void ComputeMinWireSizes(DataLayout& l) {
    uint64_t x1 = 4;
    uint64_t x2 = 4;
    switch (l.shape) {
        case Shape::ENUM: x2 = l.wireSize; break;
        case Shape::STRING:
        case Shape::WSTRING:
        case Shape::SEQUENCE: break;
        case Shape::ARRAY:
            x1 = uint64_t{l.count} * l.element->minWireXcdr1;
            x2 = uint64_t{l.count} * l.element->minWireXcdr2;
            break;
        case Shape::STRUCTURE:
            if (l.extensibility != Extensibility::MUTABLE) {
                x1 = 0;
                for (const FieldLayout& f : l.fields) x1 += f.optional ? 4 : f.layout->minWireXcdr1;
            }
            if (l.extensibility == Extensibility::FINAL) {
                x2 = 0;
                for (const FieldLayout& f : l.fields) x2 += f.optional ? 1 : f.layout->minWireXcdr2;
            }
            break;
        case Shape::UNION:
            if (l.extensibility != Extensibility::MUTABLE) x1 = l.discriminator->minWireXcdr1;
            if (l.extensibility == Extensibility::FINAL) x2 = l.discriminator->minWireXcdr2;
            break;
        default: x1 = x2 = l.wireSize; break;
    }
    l.minWireXcdr1 = std::max<uint32_t>(1, Saturate(x1));
    l.minWireXcdr2 = std::max<uint32_t>(1, Saturate(x2));
}

}  // namespace

std::unique_ptr<const DataLayout> DataLayout::Build(const DynamicType& type) {
    auto l = BuildShape(type);
    ComputeMinWireSizes(*l);
    return l;
}

std::unique_ptr<DataLayout> DataLayout::BuildShape(const DynamicType& type) {
    auto l = std::make_unique<DataLayout>();
    l->type = &type;
    const TypeKind kind = type.kind();
    if (IsPrimitiveKind(kind)) {
        l->shape = PrimitiveShape(kind);
        l->size = l->wireSize = PrimitiveSize(kind);
        l->align = std::min<uint32_t>(l->size, 8);
        return l;
    }
    switch (kind) {
        case TypeKind::ENUMERATION:
            l->shape = Shape::ENUM;
            l->size = l->align = 4;
            l->wireSize = BitBoundSize(type.bit_bound());
            l->enumDefault = type.enumerators().front().value;
            l->zeroDefault = l->enumDefault == 0;
            break;
        case TypeKind::BITMASK:
        case TypeKind::BITSET:
            l->shape = kind == TypeKind::BITMASK ? Shape::BITMASK : Shape::BITSET;
            l->size = l->align = 8;
            l->wireSize = BitBoundSize(type.bit_bound());
            break;
        case TypeKind::STRING:
            l->shape = Shape::STRING;
            l->bound = type.bound();
            SetSlot(*l, sizeof(std::string), alignof(std::string));
            break;
        case TypeKind::WSTRING:
            l->shape = Shape::WSTRING;
            l->bound = type.bound();
            SetSlot(*l, sizeof(std::u16string), alignof(std::u16string));
            break;
        case TypeKind::SEQUENCE:
        case TypeKind::ARRAY: BuildCollection(*l, type); break;
        case TypeKind::STRUCTURE: BuildStructure(*l, type); break;
        case TypeKind::UNION: BuildUnion(*l, type); break;
        default: break;  // aliases share the layout of the type they resolve to
    }
    return l;
}

int64_t DataLayout::NormalizeDiscriminator(int64_t value) const {
    switch (discriminator->shape) {
        case Shape::BOOLEAN: return value != 0 ? 1 : 0;
        case Shape::BYTE:
        case Shape::CHAR8: return value & 0xff;
        case Shape::UINT16:
        case Shape::CHAR16: return value & 0xffff;
        case Shape::UINT32: return value & 0xffffffff;
        case Shape::INT8: return static_cast<int8_t>(value);
        case Shape::INT16: return static_cast<int16_t>(value);
        case Shape::INT32:
        case Shape::ENUM: return static_cast<int32_t>(value);
        default: return value;
    }
}

int32_t DataLayout::SelectCase(int64_t discriminatorValue) const {
    auto it = std::lower_bound(labels.begin(), labels.end(), discriminatorValue,
                               [](const CaseLabel& l, int64_t v) { return l.value < v; });
    if (it != labels.end() && it->value == discriminatorValue) return it->caseIndex;
    return defaultCase;
}

int32_t DataLayout::FindField(std::string_view name) const {
    auto it = std::lower_bound(fieldsByName.begin(), fieldsByName.end(), name,
                               [](const auto& entry, std::string_view n) { return entry.first < n; });
    return it != fieldsByName.end() && it->first == name ? static_cast<int32_t>(it->second) : -1;
}

int64_t DataLayout::DiscriminatorFor(int32_t caseIndex) const {
    if (caseIndex == defaultCase) return defaultDiscriminator;
    for (const CaseLabel& l : labels)
        if (l.caseIndex == caseIndex) return l.value;
    return defaultDiscriminator;
}

}  // namespace Quorvel::xtypes
