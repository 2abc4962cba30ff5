#pragma once

// The engine's own metadata types (discovery samples, sample information, common and
// captured-packet metadata) as one <dds> document, loaded into a provider of their own.

#include <string_view>

namespace Quorvel::xml {

std::string_view InternalTypesXml();

}  // namespace Quorvel::xml
