#include "middleware/cdr/CdrDecoder.h"

#include "middleware/cdr/CdrReader.h"
#include "middleware/cdr/MemberHeader.h"
#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/DynamicType.h"
#include "middleware/xtypes/SequenceSlot.h"
#include "middleware/xtypes/SlotAccess.h"
#include "middleware/xtypes/ValueLifetime.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace Quorvel::cdr {

using xtypes::DataLayout;
using xtypes::Extensibility;
using xtypes::FieldLayout;
using xtypes::Shape;
using xtypes::SlotAs;

namespace {

// Unsigned value of `size` (1, 2, 4 or 8) bytes, aligned.
uint64_t ReadUnsigned(CdrReader& reader, uint32_t size) {
    switch (size) {
        case 1: return *reader.Take(1);
        case 2: return reader.Read<uint16_t>();
        case 4: return reader.Read<uint32_t>();
        default: return reader.Read<uint64_t>();
    }
}

template <size_t N>
void CopyAligned(std::byte* value, CdrReader& reader) {
    reader.Align(N);
    std::memcpy(value, reader.Take(N), N);
    if (reader.swap()) SwapInPlace(value, N);
}

const FieldLayout* FindField(const DataLayout& layout, uint32_t id) {
    for (const FieldLayout& f : layout.fields)
        if (f.id == id) return &f;
    return nullptr;
}

}  // namespace

uint32_t CdrDecoder::MinWireSize(const DataLayout& layout) const {
    return xcdr2_ ? layout.minWireXcdr2 : layout.minWireXcdr1;
}

CdrReader CdrDecoder::CutDelimited(CdrReader& reader) const {
    const uint32_t size = reader.Read<uint32_t>();
    if (size > reader.remaining())
        reader.Fail("DHEADER of " + std::to_string(size) + " bytes exceeds the " +
                    std::to_string(reader.remaining()) + " bytes left");
    return reader.Cut(size);
}

void CdrDecoder::DecodeValue(const DataLayout& layout, std::byte* value, CdrReader& reader,
                             uint32_t depth) const {
    switch (layout.shape) {
        case Shape::STRING: DecodeString(layout, value, reader); return;
        case Shape::WSTRING: DecodeWString(layout, value, reader); return;
        case Shape::SEQUENCE: DecodeSequence(layout, value, reader, depth + 1); return;
        case Shape::ARRAY: DecodeArray(layout, value, reader, depth + 1); return;
        case Shape::STRUCTURE: DecodeStructure(layout, value, reader, depth + 1); return;
        case Shape::UNION: DecodeUnion(layout, value, reader, depth + 1); return;
        default: DecodePrimitive(layout, value, reader); return;
    }
}

void CdrDecoder::DecodePrimitive(const DataLayout& layout, std::byte* value, CdrReader& reader) const {
    switch (layout.shape) {
        case Shape::BOOLEAN: {
            const uint8_t b = *reader.Take(1);
            *value = std::byte{b != 0};
            return;
        }
        case Shape::ENUM: {
            // XCDR1 always uses 4 bytes; XCDR2 sizes by bit bound (DDS-XTypes 1.3, 7.4.3.4.8).
            const uint64_t raw = ReadUnsigned(reader, xcdr2_ ? layout.wireSize : 4);
            const int32_t v = static_cast<int32_t>(raw);
            std::memcpy(value, &v, 4);
            return;
        }
        case Shape::BITMASK:
        case Shape::BITSET: {
            const uint64_t v = ReadUnsigned(reader, layout.wireSize);
            std::memcpy(value, &v, 8);
            return;
        }
        default:
            // Constant sizes, so each copy compiles to a single load and store.
            switch (layout.wireSize) {
                case 1: std::memcpy(value, reader.Take(1), 1); return;
                case 2: CopyAligned<2>(value, reader); return;
                case 4: CopyAligned<4>(value, reader); return;
                case 8: CopyAligned<8>(value, reader); return;
                default: CopyAligned<16>(value, reader); return;
            }
    }
}

void CdrDecoder::DecodeString(const DataLayout& layout, std::byte* value, CdrReader& reader) const {
    const uint32_t length = reader.Read<uint32_t>();
    if (length > reader.remaining())
        reader.Fail("string length " + std::to_string(length) + " exceeds the " +
                    std::to_string(reader.remaining()) + " bytes left");
    auto& text = SlotAs<std::string>(value);
    if (length == 0) {  // some writers send an empty string without its NUL
        text.clear();
        return;
    }
    const auto* bytes = reinterpret_cast<const char*>(reader.Take(length));
    if (bytes[length - 1] != '\0') reader.Fail("string of " + std::to_string(length) + " bytes lacks its terminating NUL");
    if (layout.bound != 0 && length - 1 > layout.bound)
        reader.Fail("string length " + std::to_string(length - 1) + " exceeds its bound " +
                    std::to_string(layout.bound));
    text.assign(bytes, length - 1);
}

void CdrDecoder::DecodeWString(const DataLayout& layout, std::byte* value, CdrReader& reader) const {
    // XCDR2: byte length, UTF-16 units, no terminator (DDS-XTypes 1.3, 7.4.3.4.4). XCDR1 as
    // RTI Connext writes it: character count including the terminator, 2 bytes per character.
    const uint32_t length = reader.Read<uint32_t>();
    const uint64_t bytes = xcdr2_ ? length : uint64_t{length} * 2;
    if (bytes > reader.remaining())
        reader.Fail("wide string of " + std::to_string(bytes) + " bytes exceeds the " +
                    std::to_string(reader.remaining()) + " bytes left");
    if (xcdr2_ && (length & 1) != 0)
        reader.Fail("wide string length " + std::to_string(length) + " is not a multiple of 2");
    size_t units = static_cast<size_t>(bytes / 2);
    const uint8_t* data = reader.Take(static_cast<size_t>(bytes));
    if (!xcdr2_ && units != 0) --units;  // drop the terminator
    if (layout.bound != 0 && units > layout.bound)
        reader.Fail("wide string length " + std::to_string(units) + " exceeds its bound " +
                    std::to_string(layout.bound));
    auto& text = SlotAs<std::u16string>(value);
    text.resize(units);
    std::memcpy(text.data(), data, units * 2);
    if (reader.swap()) SwapEach(text.data(), 2, units);
}

void CdrDecoder::DecodeSequence(const DataLayout& layout, std::byte* value, CdrReader& reader,
                                uint32_t depth) const {
    if (depth > kMaxDepth) reader.Fail("data nested deeper than " + std::to_string(kMaxDepth) + " levels");
    const DataLayout& element = *layout.element;
    const bool delimited = xcdr2_ && !element.IsPrimitive();
    CdrReader body = delimited ? CutDelimited(reader) : reader;
    const uint32_t length = body.Read<uint32_t>();
    if (layout.bound != 0 && length > layout.bound)
        body.Fail("sequence length " + std::to_string(length) + " exceeds its bound " +
                  std::to_string(layout.bound));
    if (uint64_t{length} * MinWireSize(element) > body.remaining())
        body.Fail("sequence length " + std::to_string(length) + " exceeds the " +
                  std::to_string(body.remaining()) + " bytes left");
    // Optional members and unions are stored inline, so a small wire element may stand for a
    // large one in memory: cap what one sequence may claim.
    if (uint64_t{length} * element.size > kMaxSequenceBytes)
        body.Fail("sequence of " + std::to_string(length) + " elements would take more than " +
                  std::to_string(kMaxSequenceBytes >> 20) + " MiB");
    auto& sequence = SlotAs<xtypes::SequenceSlot>(value);
    sequence.ResizeForOverwrite(length);
    DecodeElements(element, sequence.data(), length, body, depth);
    if (!delimited) reader = body;
}

void CdrDecoder::DecodeArray(const DataLayout& layout, std::byte* value, CdrReader& reader,
                             uint32_t depth) const {
    if (depth > kMaxDepth) reader.Fail("data nested deeper than " + std::to_string(kMaxDepth) + " levels");
    const DataLayout& element = *layout.element;
    if (xcdr2_ && !element.IsPrimitive()) {
        CdrReader body = CutDelimited(reader);
        DecodeElements(element, value, layout.count, body, depth);
    } else {
        DecodeElements(element, value, layout.count, reader, depth);
    }
}

void CdrDecoder::DecodeElements(const DataLayout& element, std::byte* first, uint32_t count,
                                CdrReader& reader, uint32_t depth) const {
    if (count == 0) return;
    if (element.IsBulkCopyable()) {
        // Memory image equals wire image: one copy, then fix the byte order.
        const uint32_t size = element.wireSize;
        reader.Align(size);
        const size_t bytes = size_t{count} * size;
        std::memcpy(first, reader.Take(bytes), bytes);
        if (reader.swap()) SwapEach(first, size, count);
        return;
    }
    if (element.flat && DecodeFlatElements(element, first, count, reader)) return;
    const uint32_t stride = element.size;
    for (uint32_t i = 0; i < count; ++i) DecodeValue(element, first + size_t{i} * stride, reader, depth);
}

void CdrDecoder::DecodeStructure(const DataLayout& layout, std::byte* value, CdrReader& reader,
                                 uint32_t depth) const {
    if (depth > kMaxDepth) reader.Fail("data nested deeper than " + std::to_string(kMaxDepth) + " levels");
    switch (layout.extensibility) {
        case Extensibility::FINAL: DecodeMembersInOrder(layout, value, reader, depth, false); return;
        case Extensibility::APPENDABLE:
            if (xcdr2_) {
                CdrReader body = CutDelimited(reader);
                DecodeMembersInOrder(layout, value, body, depth, true);
            } else {
                DecodeMembersInOrder(layout, value, reader, depth, true);
            }
            return;
        case Extensibility::MUTABLE: DecodeMutableMembers(layout, value, reader, depth); return;
    }
}

void CdrDecoder::DecodeMembersInOrder(const DataLayout& layout, std::byte* value, CdrReader& reader,
                                      uint32_t depth, bool mayEndEarly) const {
    const FieldLayout* const end = layout.fields.data() + layout.fields.size();
    for (const FieldLayout* f = layout.fields.data(); f != end; ++f) {
        if (mayEndEarly && reader.remaining() == 0) {
            // A sample from an older writer: the members it does not know keep their defaults.
            for (; f != end; ++f) {
                if (f->optional) value[f->presenceOffset] = std::byte{0};
                xtypes::lifetime::Clear(*f->layout, value + f->offset);
            }
            return;
        }
        if (f->runCount > 1 && DecodeRun(f, value, reader)) {
            f += f->runCount - 1;
        } else if (f->optional) {
            DecodeOptional(*f, value, reader, depth);
        } else {
            DecodeValue(*f->layout, value + f->offset, reader, depth);
        }
    }
}

bool CdrDecoder::DecodeFlatElements(const DataLayout& element, std::byte* first, uint32_t count,
                                    CdrReader& reader) const {
    const FieldLayout& head = element.fields.front();
    const bool unframed = element.extensibility == Extensibility::FINAL ||
                          (!xcdr2_ && element.extensibility == Extensibility::APPENDABLE);
    if (!unframed || (xcdr2_ && !head.runXcdr2)) return false;
    reader.Align(head.layout->wireSize);
    if (reader.relative() % head.runAlign != 0) return false;
    const size_t bytes = size_t{count} * element.size;
    std::memcpy(first, reader.Take(bytes), bytes);
    if (reader.swap())
        for (uint32_t e = 0; e < count; ++e)
            for (const FieldLayout& f : element.fields)
                SwapInPlace(first + size_t{e} * element.size + f.offset, f.layout->wireSize);
    return true;
}

bool CdrDecoder::DecodeRun(const FieldLayout* head, std::byte* value, CdrReader& reader) const {
    if (xcdr2_ && !head->runXcdr2) return false;
    reader.Align(head->layout->wireSize);
    if ((reader.relative() - head->offset) % head->runAlign != 0) return false;
    std::memcpy(value + head->offset, reader.Take(head->runBytes), head->runBytes);
    if (reader.swap())
        for (const FieldLayout* f = head; f != head + head->runCount; ++f)
            SwapInPlace(value + f->offset, f->layout->wireSize);
    return true;
}

void CdrDecoder::DecodeOptional(const FieldLayout& field, std::byte* owner, CdrReader& reader,
                                uint32_t depth) const {
    bool present;
    if (xcdr2_) {
        // XCDR2 final and appendable types: a boolean presence flag (DDS-XTypes 1.3, 7.4.3.5.2).
        present = *reader.Take(1) != 0;
        if (present) DecodeValue(*field.layout, owner + field.offset, reader, depth);
    } else {
        // XCDR1: a parameter header whose length is 0 when the member is absent (7.4.1.2).
        MemberHeader header;
        CdrReader body = reader;
        if (!ReadParameter(reader, header, body))
            reader.Fail("PID_LIST_END where optional member " + field.member->name + " belongs");
        present = body.remaining() != 0;
        if (present) DecodeValue(*field.layout, owner + field.offset, body, depth);
    }
    owner[field.presenceOffset] = std::byte{present};
}

template <typename Visit>
void CdrDecoder::ForEachMember(CdrReader& reader, Visit&& visit) const {
    MemberHeader header;
    if (xcdr2_) {
        CdrReader list = CutDelimited(reader);
        CdrReader body = list;
        while (list.remaining() != 0) {
            ReadEmHeader(list, header, body);
            visit(header, body);
        }
    } else {
        CdrReader body = reader;
        while (ReadParameter(reader, header, body)) visit(header, body);
    }
}

void CdrDecoder::DecodeMutableMembers(const DataLayout& layout, std::byte* value, CdrReader& reader,
                                      uint32_t depth) const {
    // Members come in any order and any subset: start from the defaults.
    xtypes::lifetime::Clear(layout, value);
    ForEachMember(reader, [&](const MemberHeader& header, CdrReader& body) {
        const FieldLayout* f = FindField(layout, header.id);
        if (!f) {
            if (header.mustUnderstand)
                body.Fail("unknown member id " + std::to_string(header.id) + " of " +
                          layout.type->name() + " is marked must-understand");
            return;  // a member of a newer writer's type
        }
        DecodeValue(*f->layout, value + f->offset, body, depth);
        if (f->optional) value[f->presenceOffset] = std::byte{1};
    });
}

int64_t CdrDecoder::ReadDiscriminator(const DataLayout& layout, CdrReader& reader) const {
    switch (layout.shape) {
        case Shape::BOOLEAN:
        case Shape::BYTE:
        case Shape::CHAR8: return *reader.Take(1);
        case Shape::INT8: return static_cast<int8_t>(*reader.Take(1));
        case Shape::INT16: return reader.Read<int16_t>();
        case Shape::UINT16:
        case Shape::CHAR16: return reader.Read<uint16_t>();
        case Shape::INT32: return reader.Read<int32_t>();
        case Shape::UINT32: return reader.Read<uint32_t>();
        case Shape::INT64: return reader.Read<int64_t>();
        case Shape::UINT64: return static_cast<int64_t>(reader.Read<uint64_t>());
        case Shape::ENUM: return static_cast<int32_t>(ReadUnsigned(reader, xcdr2_ ? layout.wireSize : 4));
        default: reader.Fail("discriminator of kind " + layout.type->name() + " cannot be decoded");
    }
}

void CdrDecoder::SetCase(const DataLayout& layout, std::byte* value, int64_t wireValue) const {
    const int64_t discriminator = layout.NormalizeDiscriminator(wireValue);
    const int32_t selected = layout.SelectCase(discriminator);
    std::memcpy(value + xtypes::kDiscriminatorOffset, &discriminator, sizeof discriminator);
    std::memcpy(value + xtypes::kSelectedCaseOffset, &selected, sizeof selected);
}

void CdrDecoder::DecodeUnion(const DataLayout& layout, std::byte* value, CdrReader& reader,
                             uint32_t depth) const {
    if (depth > kMaxDepth) reader.Fail("data nested deeper than " + std::to_string(kMaxDepth) + " levels");
    if (layout.extensibility == Extensibility::MUTABLE) {
        // The discriminator is the first member (id 0), the selected case the next one.
        int memberIndex = 0;
        ForEachMember(reader, [&](const MemberHeader&, CdrReader& body) {
            if (memberIndex++ == 0) {
                SetCase(layout, value, ReadDiscriminator(*layout.discriminator, body));
                // The case member may be absent: it then holds its defaults.
                int32_t selected;
                std::memcpy(&selected, value + xtypes::kSelectedCaseOffset, sizeof selected);
                if (selected >= 0) {
                    const FieldLayout& f = layout.fields[static_cast<size_t>(selected)];
                    xtypes::lifetime::Clear(*f.layout, value + f.offset);
                }
                return;
            }
            int32_t selected;
            std::memcpy(&selected, value + xtypes::kSelectedCaseOffset, sizeof selected);
            if (memberIndex == 2 && selected >= 0) {
                const FieldLayout& f = layout.fields[static_cast<size_t>(selected)];
                DecodeValue(*f.layout, value + f.offset, body, depth);
            }
        });
        if (memberIndex == 0) reader.Fail("mutable union " + layout.type->name() + " without discriminator");
        return;
    }
    if (xcdr2_ && layout.extensibility == Extensibility::APPENDABLE) {
        CdrReader body = CutDelimited(reader);
        DecodeUnionBody(layout, value, body, depth);
    } else {
        DecodeUnionBody(layout, value, reader, depth);
    }
}

void CdrDecoder::DecodeUnionBody(const DataLayout& layout, std::byte* value, CdrReader& reader,
                                 uint32_t depth) const {
    const int64_t discriminator = ReadDiscriminator(*layout.discriminator, reader);
    SetCase(layout, value, discriminator);
    const int32_t selected = layout.SelectCase(discriminator);
    if (selected < 0) return;  // a value no case names: the union holds the discriminator only
    const FieldLayout& f = layout.fields[static_cast<size_t>(selected)];
    DecodeValue(*f.layout, value + f.offset, reader, depth);
}

}  // namespace Quorvel::cdr
