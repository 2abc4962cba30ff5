#include "dissection/MetadataTexts.h"

#include <algorithm>
#include <string_view>

namespace Quorvel {

namespace {

constexpr std::uint64_t kMicrosecondsPerSecond = 1000000;

// The position of the point before the six fraction digits, or npos.
std::size_t FractionAt(std::string_view text) {
  const std::size_t point = text.rfind('.');
  return point == std::string_view::npos || point + 7 > text.size() ? std::string_view::npos : point;
}

// The entry of `entries` whose key `matches`, moved to the front, or made by `make` there
// (replacing the one used longest ago when `entries` holds `most`).
template <typename Entry, typename Matches, typename MakeEntry>
const Entry& FrontEntry(std::vector<Entry>& entries, std::size_t most, Matches matches,
                        MakeEntry make) {
  const auto known = std::find_if(entries.begin(), entries.end(), matches);
  if (known != entries.end()) {
    std::rotate(entries.begin(), known, known + 1);
    return entries.front();
  }
  if (entries.size() == most) entries.pop_back();
  entries.insert(entries.begin(), make());
  return entries.front();
}

// The information with what the holes show cleared.
DDSSampleInfo KeyOf(DDSSampleInfo info) {
  info.sourceTimestamp = {};
  info.receptionTimestamp = {};
  info.publicationSequenceNumber = 0;
  info.publicationVirtualSequenceNumber = 0;
  info.originalPublicationVirtualSequenceNumber = 0;
  return info;
}

}  // namespace

MetadataTexts::Found MetadataTexts::Find(const DDSSampleInfo& info, Make make) {
  const DDSSampleInfo key = KeyOf(info);
  Found found;
  std::lock_guard lock(mutex_);
  found.sourceTime = sourceText_.Of(info.sourceTimestamp.Microseconds());
  found.receptionTime = receptionText_.Of(info.receptionTimestamp.Microseconds());
  found.made = FrontEntry(
                   entries_, kMaxKinds, [&key](const Entry& entry) { return entry.key == key; },
                   [&] { return Entry{key, make(key)}; })
                   .made;
  return found;
}

std::shared_ptr<const std::string> MetadataTexts::CommonMembers(const SampleCommonMetadata& common,
                                                                MakeCommon make) {
  std::lock_guard lock(mutex_);
  return FrontEntry(
             commonEntries_, kMaxKinds,
             [&common](const CommonEntry& entry) {
               return entry.key.domain_id == common.domain_id &&
                      entry.key.topic_name == common.topic_name;
             },
             [&] { return CommonEntry{common, std::make_shared<const std::string>(make(common))}; })
      .members;
}

CommonHelperFunctions::Iso8601Text MetadataTexts::SecondText::Of(std::uint64_t microseconds) {
  const std::uint64_t second = microseconds / kMicrosecondsPerSecond;
  if (point_ == std::string_view::npos || second != second_) {
    text_ = CommonHelperFunctions::EpochMicrosecondsToIso8601Text(microseconds);
    second_ = second;
    // "...:SS.ffffff<offset>": the six digits after the point are all that change within the
    // second. The fallback for a value out of range has none and is not kept, so that every
    // such value is converted (and its warning logged) as before.
    point_ = FractionAt(text_.View());
    return text_;
  }
  CommonHelperFunctions::Iso8601Text text = text_;
  CommonHelperFunctions::WriteZeroPadded(text.text + point_ + 1,
                                         microseconds % kMicrosecondsPerSecond, 6);
  return text;
}

}  // namespace Quorvel
