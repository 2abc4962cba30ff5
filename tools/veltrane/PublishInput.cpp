#include "PublishInput.h"

#include "UsageError.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>

namespace Quorvel::Cli {
namespace {

constexpr const char* kDataPrefix = "SampleData.";

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

void AddJsonLines(std::istream& input, const std::string& name, std::vector<PublishSample>& samples) {
  std::string line;
  for (std::size_t number = 1; std::getline(input, line); ++number) {
    if (!IsBlank(line)) samples.push_back({name + ":" + std::to_string(number), line, {}, true});
  }
}

PublishSample FromAssignments(const std::vector<std::string>& assignments) {
  PublishSample sample{"--set", {}, {}, false};
  for (const std::string& assignment : assignments) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0) {
      throw UsageError("--set expects member=value, got '" + assignment + "'");
    }
    std::string member = assignment.substr(0, equals);
    if (member.rfind(kDataPrefix, 0) != 0) member = kDataPrefix + member;
    sample.fields[member] = assignment.substr(equals + 1);
  }
  return sample;
}

}  // namespace

std::vector<PublishSample> CollectPublishSamples(const PublishOptions& options) {
  if (options.jsonTexts.empty() && options.jsonLinesPath.empty() && options.fieldAssignments.empty()) {
    throw UsageError("publish needs samples: --json, --jsonl or --set");
  }
  std::vector<PublishSample> samples;
  for (std::size_t i = 0; i < options.jsonTexts.size(); ++i) {
    samples.push_back({"--json " + std::to_string(i + 1), options.jsonTexts[i], {}, true});
  }
  if (options.jsonLinesPath == "-") {
    AddJsonLines(std::cin, "stdin", samples);
  } else if (!options.jsonLinesPath.empty()) {
    std::ifstream file(options.jsonLinesPath);
    if (!file) {
      throw std::runtime_error("cannot read " + options.jsonLinesPath + ": " + std::strerror(errno));
    }
    AddJsonLines(file, options.jsonLinesPath, samples);
  }
  if (!options.fieldAssignments.empty()) samples.push_back(FromAssignments(options.fieldAssignments));
  return samples;
}

}  // namespace Quorvel::Cli
