#pragma once

#include "RichSamples.h"

#include <dds/dds.h>
#include <nlohmann/json.hpp>

#include <string_view>
#include <vector>

namespace Quorvel::InteropPeers {

// One top-level type of the rich type set: its Cyclone descriptor, its fixed samples and its
// JSON mirror.
struct RichType {
    std::string_view fileStem;  // golden file names: "<fileStem>.json"
    const dds_topic_descriptor_t& descriptor;
    std::vector<NamedSample> (*makeSamples)();
    nlohmann::ordered_json (*toJson)(const void* sample);
    // Cyclone 0.10.2 refuses XCDR1 writers for appendable and mutable types and for any type
    // with optional members, so only the final type without optionals has XCDR1 golden data.
    bool hasXcdr1;
};

// Two versions of one type that must read each other's samples (XTypes assignability):
// fewer or more members at the end of an appendable type, members gone, new or moved in a
// mutable one.
struct TypeVersions {
    std::string_view older;  // file stems
    std::string_view newer;
};

const std::vector<RichType>& RichTypes();
const std::vector<TypeVersions>& RichTypeVersions();
// Accepts the qualified name ("Rich::FinalAll") or the file stem ("FinalAll").
const RichType& FindRichType(std::string_view name);

}  // namespace Quorvel::InteropPeers
