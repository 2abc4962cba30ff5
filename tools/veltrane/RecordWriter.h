#pragma once

#include "Options.h"

#include <string>
#include <vector>

namespace Quorvel::Cli {

// One field of a record the tool reports itself (types, members); `quoted` marks JSON strings.
struct RecordField {
  std::string name;
  std::string value;
  bool quoted = true;
  bool inTable = true;  // the table leaves the wide, rarely filled fields out
};

using Record = std::vector<RecordField>;

// Records in the output format: JSON Lines (one object per record), key=value lines (a blank
// line after each record) or a table with a header row and aligned columns.
std::string RenderRecords(const std::vector<Record>& records, OutputFormat format);

}  // namespace Quorvel::Cli
