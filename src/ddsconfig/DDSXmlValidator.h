#pragma once

#include "DDSFileType.h"

#include <filesystem>

namespace Quorvel::ddsconfig {

// Checks a DDS XML file against the schema of its kind. Never throws for a bad document: a
// file that is not well-formed or breaks the schema comes back as not valid, with one
// "error at line N : ..." line per problem. Throws only when the embedded schemas themselves
// cannot be loaded. Safe to call from several threads at once.
XmlValidationResult ValidateDDSXml(const std::filesystem::path& file, DDSFileType kind);

}  // namespace Quorvel::ddsconfig
