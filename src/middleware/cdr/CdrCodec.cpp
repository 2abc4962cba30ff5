#include "middleware/cdr/CdrCodec.h"

#include "middleware/cdr/CdrDecoder.h"
#include "middleware/cdr/CdrEncoder.h"
#include "middleware/cdr/CdrReader.h"
#include "middleware/cdr/CdrWriter.h"
#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/DynamicDataRef.h"

#include <bit>
#include <cstdio>
#include <string>

namespace Quorvel::cdr {

namespace {

constexpr bool kHostIsLittle = std::endian::native == std::endian::little;

bool NeedsSwap(ByteOrder order) { return (order == ByteOrder::LITTLE) != kHostIsLittle; }

uint32_t MaxAlign(CdrVersion version) { return version == CdrVersion::XCDR2 ? 4 : 8; }

EncodingKind KindFor(xtypes::Extensibility extensibility, CdrVersion version) {
    switch (extensibility) {
        case xtypes::Extensibility::MUTABLE: return EncodingKind::PARAMETER_LIST;
        case xtypes::Extensibility::APPENDABLE:
            return version == CdrVersion::XCDR2 ? EncodingKind::DELIMITED : EncodingKind::PLAIN;
        default: return EncodingKind::PLAIN;
    }
}

}  // namespace

Encapsulation from_cdr_buffer(xtypes::DynamicDataRef sample, const uint8_t* payload, size_t size) {
    CdrReader header(payload, size, 0, false, 1);
    const uint8_t* id = header.Take(kEncapsulationHeaderSize);
    const uint16_t representation = static_cast<uint16_t>((id[0] << 8) | id[1]);
    const std::optional<Encapsulation> encapsulation = DescribeEncapsulation(representation);
    if (!encapsulation) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%04x", representation);
        CdrReader(payload, size, 0, false, 1).Fail(std::string("unknown encapsulation identifier ") + hex);
    }
    // The options (bytes 2 and 3) only count trailing padding, which decoding ignores.
    const bool xcdr2 = encapsulation->version == CdrVersion::XCDR2;
    CdrReader reader(payload, size, kEncapsulationHeaderSize, NeedsSwap(encapsulation->order),
                     MaxAlign(encapsulation->version));
    CdrDecoder(xcdr2).DecodeValue(sample.layout(), sample.storage(), reader, 0);
    return *encapsulation;
}

Encapsulation from_cdr_buffer(xtypes::DynamicDataRef sample, const std::vector<uint8_t>& payload) {
    return from_cdr_buffer(sample, payload.data(), payload.size());
}

void to_cdr_buffer(const xtypes::DynamicDataRef& sample, std::vector<uint8_t>& payload,
                   const EncodeOptions& options) {
    const xtypes::DataLayout& layout = sample.layout();
    const CdrVersion version = options.version.value_or(
        layout.extensibility == xtypes::Extensibility::FINAL ? CdrVersion::XCDR1 : CdrVersion::XCDR2);
    const EncapsulationId id =
        MakeEncapsulationId({version, options.order, KindFor(layout.extensibility, version)});
    payload.clear();
    payload.push_back(0);
    payload.push_back(static_cast<uint8_t>(id));
    payload.push_back(0);
    payload.push_back(0);
    CdrWriter writer(payload, NeedsSwap(options.order), MaxAlign(version));
    CdrEncoder(version == CdrVersion::XCDR2).EncodeValue(layout, sample.storage(), writer);
    const size_t padding = (4 - payload.size() % 4) % 4;
    payload.resize(payload.size() + padding, 0);
    payload[3] = static_cast<uint8_t>(padding);
}

std::vector<uint8_t> to_cdr_buffer(const xtypes::DynamicDataRef& sample, const EncodeOptions& options) {
    std::vector<uint8_t> payload;
    to_cdr_buffer(sample, payload, options);
    return payload;
}

}  // namespace Quorvel::cdr
