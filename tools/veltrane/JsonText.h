#pragma once

// The little JSON the tool reads and writes itself, without a JSON library: the engine hands
// over finished JSON text, and the tool only needs to quote its own values and find a sample's
// topic name.

#include <string>
#include <string_view>

namespace Quorvel::Cli::JsonText {

// `text` as a JSON string literal, quotes included.
std::string Quote(std::string_view text);

// The topic name in the "CommonMetaData" object of a sample's compact JSON text; empty when it
// has none. The metadata follows the sample data, so the last such object is the metadata's,
// whatever the data's own member names are.
std::string TopicOfSample(std::string_view json);

}  // namespace Quorvel::Cli::JsonText
