#pragma once

// One injected sample from input document to the wire: an empty sample of the writer's type
// is filled by DynamicDataInjector, encoded by our codec (XCDR1 for final types, XCDR2 where
// the type needs it) and written with its key hash. Nothing is written when any step fails.
//
// Runs on the caller's thread; the writer and the type processor may be shared with other
// callers (neither is changed here).

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace Quorvel {

class TypeProcessor;
namespace Transport {
class TopicWriter;
}

namespace injection {

// Throws std::runtime_error: "Error dissecting user input to DDS message on <writerName>.
// Error - <why>" for input that does not fit the type, "Error writing sample with
// <writerName> on topic <topic>. Error - <why>" when encoding or writing fails.
void InjectAndWrite(const std::string& writerName, Transport::TopicWriter& writer,
                    const TypeProcessor& processor, const nlohmann::ordered_json& input,
                    bool reportUnusedFields);

}  // namespace injection
}  // namespace Quorvel
