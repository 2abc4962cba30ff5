#include "SampleFormatter.h"

#include "JsonLinesFormatter.h"
#include "KeyValueFormatter.h"
#include "TableFormatter.h"

namespace Quorvel::Cli {

std::unique_ptr<SampleFormatter> MakeSampleFormatter(OutputFormat format) {
  switch (format) {
    case OutputFormat::KEY_VALUE: return std::make_unique<KeyValueFormatter>();
    case OutputFormat::TABLE: return std::make_unique<TableFormatter>();
    case OutputFormat::JSON_LINES: break;
  }
  return std::make_unique<JsonLinesFormatter>();
}

}  // namespace Quorvel::Cli
