#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace Quorvel::InteropPeers {

enum class Representation;

// Real traffic of the rich types for recordings. Every top-level Rich type that Cyclone can
// write in `representation` gets a topic "<prefix>_<type>_<xcdr1|xcdr2>" and a reliable,
// transient-local writer on `domainId` (network from CYCLONEDDS_URI). Once every writer has
// matched a reader, each fixed sample is written `rounds` times and logged as one JSON line
// {"topic", "type", "sample", "value"} into `log`, value in the golden JSON form
// (tests/data/golden/FORMAT.md). Returns 0 when every writer was matched and acknowledged.
// With `endInstances`, each writer then disposes the instance of its type's first sample and
// unregisters that of its second (writers do not dispose what they unregister), each logged
// as a line with "action": "dispose" or "unregister" and the sample's value.
int PublishRich(std::uint32_t domainId, Representation representation, const std::string& topicPrefix,
                int rounds, const std::filesystem::path& log, bool endInstances = false);

// The other side of PublishRich: readers on every topic PublishRich may create, both
// representations, taking what arrives until `seconds` passed. Prints "ready" and then
// "received N".
int ListenRich(std::uint32_t domainId, const std::string& topicPrefix, int seconds);

}  // namespace Quorvel::InteropPeers
