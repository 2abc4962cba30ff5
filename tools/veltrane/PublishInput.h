#pragma once

#include "Options.h"

#include <map>
#include <string>
#include <vector>

namespace Quorvel::Cli {

// One sample to publish, as JSON text or as a flat map, and where it came from (for errors).
struct PublishSample {
  std::string origin;  // "--json 2", "samples.jsonl:14", "--set"
  std::string json;
  std::map<std::string, std::string> fields;
  bool isJson = true;
};

// The samples that the publish options give, in order: every --json text, every non-blank
// line of the JSON Lines file ("-" for standard input), then the --set assignments as one flat
// map ("SampleData." is prefixed to member names that lack it). A missing file is a runtime
// error; no input at all or an assignment without "=" is a usage error.
std::vector<PublishSample> CollectPublishSamples(const PublishOptions& options);

}  // namespace Quorvel::Cli
