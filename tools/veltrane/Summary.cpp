#include "Summary.h"

#include <utility>
#include <vector>

namespace Quorvel::Cli {
namespace {

constexpr std::size_t kLabelWidth = 30;

void Line(std::string& text, const std::string& label, const std::string& value, int indent = 2) {
  std::string line(indent, ' ');
  line += label;
  if (line.size() < kLabelWidth) line.append(kLabelWidth - line.size(), ' ');
  text += line + " " + value + "\n";
}

void Line(std::string& text, const std::string& label, std::uint64_t value, int indent = 2) {
  Line(text, label, std::to_string(value), indent);
}

}  // namespace

std::vector<std::pair<std::string, std::uint64_t>> DropReasons(const EngineStatistics& s) {
  return {{"no matching writer", s.droppedNoMatchingWriter},
          {"unknown type", s.droppedUnknownType},
          {"not dissected", s.droppedNotDissected},
          {"no data", s.droppedNoData},
          {"conversion error", s.droppedConversionError},
          {"dissection error", s.droppedDissectionError},
          {"malformed input", s.droppedMalformedInput},
          {"non-RTPS", s.droppedNonRtps},
          {"incomplete fragments", s.droppedIncompleteFragments},
          {"capture overflow", s.droppedCaptureOverflow}};
}

std::uint64_t TotalDropped(const EngineStatistics& statistics) {
  std::uint64_t dropped = 0;
  for (const auto& [reason, count] : DropReasons(statistics)) dropped += count;
  return dropped;
}

std::string FormatSummary(const RunFigures& figures) {
  const EngineStatistics& s = figures.statistics;
  std::string text = "summary\n";
  if (!figures.stopReason.empty()) Line(text, "stopped", figures.stopReason);
  Line(text, "user samples delivered", s.userSamplesDelivered);
  for (const auto& [topic, count] : figures.userSamplesByTopic) {
    Line(text, topic.empty() ? std::string("(no topic)") : topic, count, 4);
  }
  Line(text, "samples written", figures.samplesWritten);
  Line(text, "discovery samples delivered", s.discoverySamplesDelivered);
  if (s.framesRead != 0 || s.rtpsMessagesParsed != 0) {
    Line(text, "frames read", s.framesRead);
    Line(text, "RTPS messages parsed", s.rtpsMessagesParsed);
  }
  Line(text, "dropped", TotalDropped(s));
  for (const auto& [reason, count] : DropReasons(s)) {
    if (count != 0) Line(text, reason, count, 4);
  }
  for (const auto& [queue, depth] : s.queueDepths) {
    if (depth != 0) Line(text, "queued in " + queue, depth);
  }
  return text;
}

}  // namespace Quorvel::Cli
