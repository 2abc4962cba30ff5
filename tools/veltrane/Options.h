#pragma once

// What one command line asks for, once parsed. Plain data: the parser fills it, the commands
// read it.

#include <quorvel/LogSeverityLevel.h>
#include <quorvel/OutputFormats.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvel::Cli {

enum class Command { DISSECT, CAPTURE, MONITOR, MONITOR_READERS, PUBLISH, TYPES };

enum class OutputFormat { JSON_LINES, KEY_VALUE, TABLE };

struct CommonOptions {
  std::vector<std::string> xmlPaths;  // DDS XML files or folders: types, QoS, participants
  std::int64_t domainId = -1;
  std::string participant;
  std::uint64_t threads = 1;
  std::uint64_t maxPipelineMessages = 4096;  // passive commands
  std::string logDir;  // empty: the default log folder
  LogSeverityLevel verbosity = LogSeverityLevel::INFO;
};

struct OutputOptions {
  OutputFormat format = OutputFormat::JSON_LINES;
  std::string path;  // empty: standard output
  BooleanFormat booleans = BooleanFormat::NUMERIC;
  CharArrayFormat chars = CharArrayFormat::BYTE;
  ByteArrayFormat bytes = ByteArrayFormat::ELEMENT;
  EnumOutputFormat enums = EnumOutputFormat::VALUE;
  FieldsOrdering ordering = FieldsOrdering::TYPE_BASED_ORDERING;
};

// Which samples a monitoring command writes and when it stops.
struct StreamOptions {
  std::vector<std::string> topicGlobs;  // empty: every topic
  std::uint64_t sampleLimit = 0;        // 0: no limit
  double durationSeconds = 0;           // 0: until interrupted (or the recordings end)
  bool discovery = false;               // write discovery samples too
  bool summary = true;
  bool progress = true;
};

struct PublishOptions {
  std::string writer;
  std::vector<std::string> jsonTexts;
  std::string jsonLinesPath;               // "-" reads standard input
  std::vector<std::string> fieldAssignments;  // member=value, one sample
  bool reportUnusedFields = false;
  double delaySeconds = 1.0;   // before the first sample, so that readers are matched
  double intervalSeconds = 0;  // between samples
  double lingerSeconds = 1.0;  // after the last sample, so that reliable data gets through
};

struct Invocation {
  Command command = Command::DISSECT;
  CommonOptions common;
  OutputOptions output;
  StreamOptions stream;
  PublishOptions publish;
  std::vector<std::string> recordings;  // dissect
  std::string interface;                // capture
  std::vector<std::string> typeNames;   // types: introspect these (none: list all)
};

}  // namespace Quorvel::Cli
