#include "middleware/cdr/CdrEncoder.h"

#include "middleware/cdr/CdrError.h"
#include "middleware/cdr/CdrWriter.h"
#include "middleware/cdr/MemberHeader.h"
#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/DynamicType.h"
#include "middleware/xtypes/SequenceSlot.h"
#include "middleware/xtypes/SlotAccess.h"

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

void WriteUnsigned(CdrWriter& writer, uint64_t value, uint32_t size) {
    switch (size) {
        case 1: writer.Write(static_cast<uint8_t>(value)); break;
        case 2: writer.Write(static_cast<uint16_t>(value)); break;
        case 4: writer.Write(static_cast<uint32_t>(value)); break;
        default: writer.Write(value); break;
    }
}

uint32_t Length32(size_t length) {
    if (length >= UINT32_MAX) throw CdrError("value of " + std::to_string(length) + " bytes is too long to encode");
    return static_cast<uint32_t>(length);
}

}  // namespace

size_t CdrEncoder::OpenDelimited(CdrWriter& writer) const { return writer.Reserve32(); }

void CdrEncoder::CloseDelimited(size_t at, CdrWriter& writer) const {
    writer.Patch32(at, Length32(writer.position() - at - 4));
}

void CdrEncoder::EncodeValue(const DataLayout& layout, const std::byte* value, CdrWriter& writer) const {
    switch (layout.shape) {
        case Shape::STRING: EncodeString(value, writer); return;
        case Shape::WSTRING: EncodeWString(value, writer); return;
        case Shape::SEQUENCE:
        case Shape::ARRAY: EncodeCollection(layout, value, writer); return;
        case Shape::STRUCTURE: EncodeStructure(layout, value, writer); return;
        case Shape::UNION: EncodeUnion(layout, value, writer); return;
        default: EncodePrimitive(layout, value, writer); return;
    }
}

void CdrEncoder::EncodePrimitive(const DataLayout& layout, const std::byte* value, CdrWriter& writer) const {
    switch (layout.shape) {
        case Shape::ENUM: {
            int32_t v;
            std::memcpy(&v, value, 4);
            WriteUnsigned(writer, static_cast<uint32_t>(v), xcdr2_ ? layout.wireSize : 4);
            return;
        }
        case Shape::BITMASK:
        case Shape::BITSET: {
            uint64_t v;
            std::memcpy(&v, value, 8);
            WriteUnsigned(writer, v, layout.wireSize);
            return;
        }
        default: {
            const uint32_t size = layout.wireSize;
            writer.Align(size);
            unsigned char bytes[16];
            std::memcpy(bytes, value, size);
            if (writer.swap()) SwapInPlace(bytes, size);
            writer.WriteBytes(bytes, size);
            return;
        }
    }
}

void CdrEncoder::EncodeString(const std::byte* value, CdrWriter& writer) const {
    const auto& text = SlotAs<std::string>(value);
    writer.Write(Length32(text.size() + 1));
    writer.WriteBytes(text.c_str(), text.size() + 1);
}

void CdrEncoder::EncodeWString(const std::byte* value, CdrWriter& writer) const {
    // XCDR2: byte count, no terminator; XCDR1 (RTI-compatible): characters incl. terminator.
    const auto& text = SlotAs<std::u16string>(value);
    writer.Write(Length32(xcdr2_ ? text.size() * 2 : text.size() + 1));
    for (char16_t unit : text) {
        uint16_t u = unit;
        if (writer.swap()) SwapInPlace(&u, 2);
        writer.WriteBytes(&u, 2);
    }
    if (!xcdr2_) writer.WriteBytes("\0\0", 2);
}

void CdrEncoder::EncodeElements(const DataLayout& element, const std::byte* first, uint32_t count,
                                CdrWriter& writer) const {
    if (count == 0) return;
    if (element.IsBulkCopyable()) {
        const uint32_t size = element.wireSize;
        writer.Align(size);
        const size_t at = writer.position();
        writer.WriteBytes(first, size_t{count} * size);
        if (writer.swap()) SwapEach(writer.buffer().data() + at, size, count);
        return;
    }
    if (element.flat && EncodeFlatElements(element, first, count, writer)) return;
    for (uint32_t i = 0; i < count; ++i) EncodeValue(element, first + size_t{i} * element.size, writer);
}

void CdrEncoder::EncodeCollection(const DataLayout& layout, const std::byte* value, CdrWriter& writer) const {
    const DataLayout& element = *layout.element;
    const bool delimited = xcdr2_ && !element.IsPrimitive();
    const size_t header = delimited ? OpenDelimited(writer) : 0;
    if (layout.shape == Shape::SEQUENCE) {
        const auto& sequence = SlotAs<xtypes::SequenceSlot>(value);
        writer.Write(sequence.length());
        EncodeElements(element, sequence.data(), sequence.length(), writer);
    } else {
        EncodeElements(element, value, layout.count, writer);
    }
    if (delimited) CloseDelimited(header, writer);
}

void CdrEncoder::EncodeStructure(const DataLayout& layout, const std::byte* value, CdrWriter& writer) const {
    if (layout.extensibility == Extensibility::MUTABLE) {
        EncodeMutableMembers(layout, value, writer);
        return;
    }
    const bool delimited = xcdr2_ && layout.extensibility == Extensibility::APPENDABLE;
    const size_t header = delimited ? OpenDelimited(writer) : 0;
    EncodeMembersInOrder(layout, value, writer);
    if (delimited) CloseDelimited(header, writer);
}

void CdrEncoder::EncodeMembersInOrder(const DataLayout& layout, const std::byte* value,
                                      CdrWriter& writer) const {
    const FieldLayout* const end = layout.fields.data() + layout.fields.size();
    for (const FieldLayout* run = layout.fields.data(); run != end; ++run) {
        if (run->runCount > 1 && EncodeRun(run, value, writer)) {
            run += run->runCount - 1;
            continue;
        }
        const FieldLayout& f = *run;
        if (!f.optional) {
            EncodeValue(*f.layout, value + f.offset, writer);
            continue;
        }
        const bool present = value[f.presenceOffset] != std::byte{0};
        if (xcdr2_) {
            writer.Write(static_cast<uint8_t>(present));
            if (present) EncodeValue(*f.layout, value + f.offset, writer);
        } else {
            EncodeParameter(present ? f.layout : nullptr, f.id, false, value + f.offset, writer);
        }
    }
}

bool CdrEncoder::EncodeRun(const FieldLayout* head, const std::byte* value, CdrWriter& writer) const {
    if (xcdr2_ && !head->runXcdr2) return false;
    writer.Align(head->layout->wireSize);
    if ((writer.relative() - head->offset) % head->runAlign != 0) return false;
    const size_t at = writer.position();
    writer.WriteBytes(value + head->offset, head->runBytes);
    FixUpRun(writer.buffer().data() + at, head, writer.swap());
    return true;
}

void CdrEncoder::FixUpRun(uint8_t* out, const FieldLayout* head, bool swap) {
    // Memory padding inside the run goes out as zeros.
    uint32_t covered = 0;
    for (const FieldLayout* f = head; f != head + head->runCount; ++f) {
        const uint32_t relative = f->offset - head->offset;
        std::memset(out + covered, 0, relative - covered);
        if (swap) SwapInPlace(out + relative, f->layout->wireSize);
        covered = relative + f->layout->wireSize;
    }
}

bool CdrEncoder::EncodeFlatElements(const DataLayout& element, const std::byte* first, uint32_t count,
                                    CdrWriter& writer) const {
    const FieldLayout& head = element.fields.front();
    const bool unframed = element.extensibility == Extensibility::FINAL ||
                          (!xcdr2_ && element.extensibility == Extensibility::APPENDABLE);
    if (!unframed || (xcdr2_ && !head.runXcdr2)) return false;
    writer.Align(head.layout->wireSize);
    if (writer.relative() % head.runAlign != 0) return false;
    const size_t at = writer.position();
    writer.WriteBytes(first, size_t{count} * element.size);
    for (uint32_t e = 0; e < count; ++e)
        FixUpRun(writer.buffer().data() + at + size_t{e} * element.size, &head, writer.swap());
    return true;
}

void CdrEncoder::EncodeMutableMembers(const DataLayout& layout, const std::byte* value,
                                      CdrWriter& writer) const {
    const size_t header = xcdr2_ ? OpenDelimited(writer) : 0;
    for (const FieldLayout& f : layout.fields) {
        if (f.optional && value[f.presenceOffset] == std::byte{0}) continue;
        EncodeMember(*f.layout, f.id, f.key, value + f.offset, writer);
    }
    CloseMemberList(header, writer);
}

void CdrEncoder::CloseMemberList(size_t header, CdrWriter& writer) const {
    if (xcdr2_) {
        CloseDelimited(header, writer);
    } else {
        writer.Align(4);
        writer.Write(kPidListEnd);
        writer.Write(uint16_t{0});
    }
}

void CdrEncoder::EncodeMember(const DataLayout& layout, uint32_t id, bool mustUnderstand,
                              const std::byte* value, CdrWriter& writer) const {
    if (!xcdr2_) {
        EncodeParameter(&layout, id, mustUnderstand, value, writer);
        return;
    }
    const uint32_t flags = mustUnderstand ? kEmMustUnderstand : 0;
    if (layout.IsPrimitiveLike()) {
        // Length codes 0 to 3: the size is in the header (DDS-XTypes 1.3, 7.4.3.5.3).
        const uint32_t size = layout.shape == Shape::ENUM && !xcdr2_ ? 4 : layout.wireSize;
        const uint32_t code = size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : size == 8 ? 3 : 4;
        if (code < 4) {
            writer.Write(flags | (code << 28) | id);
            EncodeValue(layout, value, writer);
            return;
        }
    }
    writer.Write(flags | (4u << 28) | id);
    const size_t nextInt = writer.Reserve32();
    EncodeValue(layout, value, writer);
    CloseDelimited(nextInt, writer);
}

void CdrEncoder::EncodeParameter(const DataLayout* layout, uint32_t id, bool mustUnderstand,
                                 const std::byte* value, CdrWriter& writer) const {
    // XCDR1 parameter (DDS-XTypes 1.3, 7.4.1.2): the value aligns from its own first byte and
    // its length is padded to 4. The short header holds ids below 0x3f00 and lengths below
    // 64 KiB; anything else takes PID_EXTENDED.
    writer.Align(4);
    const uint16_t flags = mustUnderstand ? kPidMustUnderstand : 0;
    const size_t headerAt = writer.position();
    const bool extended = id >= 0x3f00;
    writer.Write(static_cast<uint16_t>(flags | (extended ? kPidExtended : id)));
    writer.Write(static_cast<uint16_t>(extended ? 8 : 0));
    if (extended) {
        writer.Write(id);
        writer.Write(uint32_t{0});
    }
    const size_t savedOrigin = writer.origin();
    const size_t start = writer.position();
    writer.SetOrigin(start);
    if (layout) EncodeValue(*layout, value, writer);
    writer.Align(4);
    writer.SetOrigin(savedOrigin);
    const size_t length = writer.position() - start;
    if (extended) {
        writer.Patch32(start - 4, Length32(length));
    } else if (length <= 0xffff) {
        writer.Patch16(headerAt + 2, static_cast<uint16_t>(length));
    } else {
        // Too long for the short header: move the value (it aligns from its own start, so it
        // may move) behind an extended header.
        auto& out = writer.buffer();
        out.insert(out.begin() + static_cast<ptrdiff_t>(start), 8, 0);
        writer.Patch16(headerAt, static_cast<uint16_t>(flags | kPidExtended));
        writer.Patch16(headerAt + 2, 8);
        writer.Patch32(start, id);
        writer.Patch32(start + 4, Length32(length));
    }
}

void CdrEncoder::EncodeDiscriminator(const DataLayout& layout, int64_t value, CdrWriter& writer) const {
    switch (layout.shape) {
        case Shape::ENUM: WriteUnsigned(writer, static_cast<uint32_t>(value), xcdr2_ ? layout.wireSize : 4); return;
        case Shape::BOOLEAN:
        case Shape::BYTE:
        case Shape::INT8:
        case Shape::CHAR8: WriteUnsigned(writer, static_cast<uint64_t>(value), 1); return;
        default: WriteUnsigned(writer, static_cast<uint64_t>(value), layout.wireSize); return;
    }
}

void CdrEncoder::EncodeUnion(const DataLayout& layout, const std::byte* value, CdrWriter& writer) const {
    int64_t discriminator;
    int32_t selected;
    std::memcpy(&discriminator, value + xtypes::kDiscriminatorOffset, sizeof discriminator);
    std::memcpy(&selected, value + xtypes::kSelectedCaseOffset, sizeof selected);
    const FieldLayout* chosen = selected >= 0 ? &layout.fields[static_cast<size_t>(selected)] : nullptr;
    if (layout.extensibility == Extensibility::MUTABLE) {
        // Discriminator as member 0, then the selected case under its own id.
        const size_t header = xcdr2_ ? OpenDelimited(writer) : 0;
        // The stored int64 is little-endian, so its first bytes are the narrower value.
        EncodeMember(*layout.discriminator, 0, true, value + xtypes::kDiscriminatorOffset, writer);
        if (chosen) EncodeMember(*chosen->layout, chosen->id, false, value + chosen->offset, writer);
        CloseMemberList(header, writer);
        return;
    }
    const bool delimited = xcdr2_ && layout.extensibility == Extensibility::APPENDABLE;
    const size_t header = delimited ? OpenDelimited(writer) : 0;
    EncodeDiscriminator(*layout.discriminator, discriminator, writer);
    if (chosen) EncodeValue(*chosen->layout, value + chosen->offset, writer);
    if (delimited) CloseDelimited(header, writer);
}

}  // namespace Quorvel::cdr
