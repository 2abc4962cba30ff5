#include "middleware/cdr/CdrCodec.h"
#include "middleware/cdr/CdrEncoder.h"
#include "middleware/cdr/CdrWriter.h"
#include "middleware/cdr/Md5.h"
#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/DynamicDataRef.h"
#include "middleware/xtypes/DynamicType.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace Quorvel::cdr {

using xtypes::DataLayout;
using xtypes::FieldLayout;
using xtypes::Shape;

namespace {

constexpr uint64_t kFixedKeyLimit = 16;
constexpr uint64_t kTooLong = kFixedKeyLimit + 1;

uint64_t AlignUp(uint64_t pos, uint64_t align) { return (pos + align - 1) / align * align; }

// The members a structure contributes to a key: its key members, or all when it has none,
// in member-id order.
std::vector<const FieldLayout*> KeyFields(const DataLayout& layout) {
    std::vector<const FieldLayout*> keys;
    for (const FieldLayout& f : layout.fields)
        if (f.key) keys.push_back(&f);
    if (keys.empty())
        for (const FieldLayout& f : layout.fields) keys.push_back(&f);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const FieldLayout* a, const FieldLayout* b) { return a->id < b->id; });
    return keys;
}

class KeySerializer {
public:
    explicit KeySerializer(CdrVersion version)
        : xcdr2_(version == CdrVersion::XCDR2), maxAlign_(xcdr2_ ? 4 : 8), encoder_(xcdr2_) {}

    void Write(const DataLayout& structure, const std::byte* value, CdrWriter& writer) const {
        for (const FieldLayout* f : KeyFields(structure)) {
            if (f->layout->shape == Shape::STRUCTURE)
                Write(*f->layout, value + f->offset, writer);
            else
                encoder_.EncodeValue(*f->layout, value + f->offset, writer);
        }
    }

    // End position of the largest key from `pos`, or kTooLong once past 16 bytes.
    uint64_t MaxEnd(const DataLayout& structure, uint64_t pos) const {
        for (const FieldLayout* f : KeyFields(structure)) {
            pos = f->layout->shape == Shape::STRUCTURE ? MaxEnd(*f->layout, pos) : MaxValueEnd(*f->layout, pos);
            if (pos > kFixedKeyLimit) return kTooLong;
        }
        return pos;
    }

private:
    uint64_t Primitive(uint64_t pos, uint64_t size) const {
        return AlignUp(pos, std::min<uint64_t>(size, maxAlign_)) + size;
    }

    uint64_t Elements(const DataLayout& element, uint64_t count, uint64_t pos) const {
        for (uint64_t i = 0; i < count && pos <= kFixedKeyLimit; ++i) pos = MaxValueEnd(element, pos);
        return pos;
    }

    uint64_t MaxValueEnd(const DataLayout& layout, uint64_t pos) const {
        switch (layout.shape) {
            case Shape::ENUM: return Primitive(pos, xcdr2_ ? layout.wireSize : 4);
            case Shape::STRING:
                return layout.bound == 0 ? kTooLong : AlignUp(pos, 4) + 4 + layout.bound + 1;
            case Shape::WSTRING:
                return layout.bound == 0 ? kTooLong : AlignUp(pos, 4) + 4 + layout.bound * 2 + (xcdr2_ ? 0 : 2);
            case Shape::SEQUENCE:
            case Shape::ARRAY: {
                const bool delimited = xcdr2_ && !layout.element->IsPrimitive();
                if (layout.shape == Shape::SEQUENCE && layout.bound == 0) return kTooLong;
                if (delimited) pos = AlignUp(pos, 4) + 4;
                if (layout.shape == Shape::SEQUENCE) pos = AlignUp(pos, 4) + 4;
                return Elements(*layout.element, layout.shape == Shape::SEQUENCE ? layout.bound : layout.count, pos);
            }
            case Shape::STRUCTURE: return MaxEnd(layout, pos);
            case Shape::UNION: {
                if (xcdr2_ && layout.extensibility != xtypes::Extensibility::FINAL) return kTooLong;
                const uint64_t afterDiscriminator = MaxValueEnd(*layout.discriminator, pos);
                uint64_t end = afterDiscriminator;
                for (const FieldLayout& f : layout.fields)
                    end = std::max(end, MaxValueEnd(*f.layout, afterDiscriminator));
                return end;
            }
            default: return Primitive(pos, layout.wireSize);
        }
    }

    bool xcdr2_;
    uint32_t maxAlign_;
    CdrEncoder encoder_;
};

}  // namespace

KeyHash compute_key_hash(const xtypes::DynamicDataRef& sample, CdrVersion version) {
    KeyHash hash{};
    const DataLayout& layout = sample.layout();
    if (layout.shape != Shape::STRUCTURE || !layout.type->HasKey()) return hash;
    const KeySerializer serializer(version);
    std::vector<uint8_t> key;
    CdrWriter writer(key, std::endian::native == std::endian::little, version == CdrVersion::XCDR2 ? 4 : 8);
    serializer.Write(layout, sample.storage(), writer);
    if (serializer.MaxEnd(layout, 0) > kFixedKeyLimit) return Md5(key.data(), key.size());
    std::memcpy(hash.data(), key.data(), std::min(key.size(), hash.size()));
    return hash;
}

}  // namespace Quorvel::cdr
