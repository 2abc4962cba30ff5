#pragma once

#include <fastrtps/types/DynamicDataPtr.h>
#include <fastrtps/types/DynamicTypePtr.h>

#include <cstdint>
#include <nlohmann/json.hpp>

namespace Quorvel::InteropPeers {

// E2E::FastSample built as a Fast DDS dynamic type, so Fast DDS's own serializer writes the
// payload (tests/data/passive_e2e/fast_sample.xml declares the same type for the engine):
//   struct FastSample { uint64 index; int32 counter; float64 ratio; boolean flag;
//                       string<16384> text; int16 readings[4]; sequence<int32, 64> values; };
// `textBound` other than the default declares a type of the same name with a longer text
// (tests/data/frag/fast_sample_100k.xml), for samples that Fast DDS has to fragment.
constexpr std::uint32_t kFastSampleTextBound = 16384;
eprosima::fastrtps::types::DynamicType_ptr FastSampleType(std::uint32_t textBound = kFastSampleTextBound);

// Sample number `index` of a deterministic series; `textLength` characters of text (large
// values make datagrams that IPv4 has to fragment). Its JSON mirror uses the member names.
struct FastSampleValue {
    nlohmann::ordered_json json;
    eprosima::fastrtps::types::DynamicData_ptr data;
};
FastSampleValue MakeFastSample(const eprosima::fastrtps::types::DynamicType_ptr& type, std::uint64_t index,
                               std::size_t textLength);

}  // namespace Quorvel::InteropPeers
