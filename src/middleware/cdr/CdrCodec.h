#pragma once

// The codec's entry points: a serialized payload (starting with its 4-byte encapsulation
// header, any of the ten CDR encapsulations) into a DynamicData sample, a sample into a
// payload, and the DDSI-RTPS key hash of a sample.

#include "middleware/cdr/Encapsulation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace Quorvel::xtypes {
class DynamicDataRef;
}

namespace Quorvel::cdr {

// Decodes `payload` into `sample` (of the payload's type), overwriting every member, and says
// which encapsulation it was (its version is the one to compute the key hash with, as Cyclone
// does). Throws CdrError on malformed input; the sample's content is then unspecified but
// valid. Bytes after the sample (the encapsulation's padding) are ignored.
Encapsulation from_cdr_buffer(xtypes::DynamicDataRef sample, const uint8_t* payload, size_t size);
Encapsulation from_cdr_buffer(xtypes::DynamicDataRef sample, const std::vector<uint8_t>& payload);

struct EncodeOptions {
    // Unset: XCDR1 for final types, XCDR2 for appendable and mutable ones.
    std::optional<CdrVersion> version;
    ByteOrder order = ByteOrder::LITTLE;
};

// Encapsulation header, body, then zero padding to a multiple of 4 counted in the options.
void to_cdr_buffer(const xtypes::DynamicDataRef& sample, std::vector<uint8_t>& payload,
                   const EncodeOptions& options = {});
std::vector<uint8_t> to_cdr_buffer(const xtypes::DynamicDataRef& sample,
                                   const EncodeOptions& options = {});

using KeyHash = std::array<uint8_t, 16>;

// DDSI-RTPS 2.5, 9.6.3.8: the key members (member-id order; a nested structure contributes its
// own key members, or all of them when it has none) serialized big-endian; zero-padded when
// the largest possible key fits 16 bytes, else its MD5. `version` picks the alignment rules of
// that serialization: XCDR2 (DDS-XTypes 1.3, 7.6.8) by default, XCDR1 for older peers.
KeyHash compute_key_hash(const xtypes::DynamicDataRef& sample, CdrVersion version = CdrVersion::XCDR2);

}  // namespace Quorvel::cdr
