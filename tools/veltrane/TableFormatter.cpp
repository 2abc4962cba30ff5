#include "TableFormatter.h"

#include "KeyValueFormatter.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace Quorvel::Cli {
namespace {

constexpr std::string_view kDataPrefix = "SampleData.";
constexpr const char* kSourceTimeKey = "SampleMetaData.DDSSampleInfo.source_timestamp_iso";

}  // namespace

std::string TableFormatter::Format(const DeliveredSample& sample) const {
  std::vector<std::pair<std::string_view, std::string>> rows;
  std::size_t width = 0;
  for (const auto& [key, value] : *sample.fields) {
    if (key.compare(0, kDataPrefix.size(), kDataPrefix) != 0) continue;
    const std::string_view member = std::string_view(key).substr(kDataPrefix.size());
    width = std::max(width, member.size());
    rows.emplace_back(member, KeyValueFormatter::EscapeValue(value));
  }
  std::string text = "#" + std::to_string(sample.number) + "  " +
                     (sample.topic.empty() ? std::string("(no topic)") : sample.topic);
  if (sample.discovery) text += "  [discovery]";
  const auto time = sample.fields->find(kSourceTimeKey);
  if (time != sample.fields->end()) text += "  " + time->second;
  text += '\n';
  for (const auto& [member, value] : rows) {
    text += "  ";
    text += member;
    text.append(width - member.size() + 2, ' ');
    text += value;
    text += '\n';
  }
  return text + '\n';
}

}  // namespace Quorvel::Cli
