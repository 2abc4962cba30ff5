#include "dissection/SampleInfoTexts.h"

#include <string_view>

namespace Quorvel {

namespace {

constexpr std::uint64_t kMicrosecondsPerSecond = 1000000;

// The information with what the holes show cleared.
DDSSampleInfo KeyOf(DDSSampleInfo info) {
  info.sourceTimestamp = {};
  info.publicationSequenceNumber = 0;
  info.publicationVirtualSequenceNumber = 0;
  info.originalPublicationVirtualSequenceNumber = 0;
  return info;
}

}  // namespace

SampleInfoTexts::Found SampleInfoTexts::Find(const DDSSampleInfo& info, const Make& make) {
  const DDSSampleInfo key = KeyOf(info);
  const std::uint64_t microseconds = info.sourceTimestamp.Microseconds();
  Found found;
  std::lock_guard lock(mutex_);
  found.sourceTime = SourceTimeTextLocked(microseconds);
  for (const Entry& entry : entries_) {
    if (entry.key == key) {
      found.made = entry.made;
      return found;
    }
  }
  if (entries_.size() < kMaxKinds) {
    entries_.push_back(Entry{key, make(key)});
    found.made = entries_.back().made;
  }
  return found;
}

CommonHelperFunctions::Iso8601Text SampleInfoTexts::SourceTimeTextLocked(std::uint64_t microseconds) {
  const std::uint64_t second = microseconds / kMicrosecondsPerSecond;
  if (!hasText_ || second != textSecond_) {
    text_ = CommonHelperFunctions::EpochMicrosecondsToIso8601Text(microseconds);
    textSecond_ = second;
    hasText_ = true;
    return text_;
  }
  CommonHelperFunctions::Iso8601Text text = text_;
  // "...:SS.ffffff<offset>": the six digits after the point are all that change within the
  // second; a text without them (the fallback for values out of range) stays as it is.
  const std::string_view view = text.View();
  const std::size_t point = view.rfind('.');
  if (point == std::string_view::npos || point + 7 > view.size()) return text;
  unsigned fraction = static_cast<unsigned>(microseconds % kMicrosecondsPerSecond);
  for (std::size_t i = point + 6; i > point; --i, fraction /= 10) {
    text.text[i] = static_cast<char>('0' + fraction % 10);
  }
  return text;
}

}  // namespace Quorvel
