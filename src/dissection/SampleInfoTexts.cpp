#include "dissection/SampleInfoTexts.h"

#include <string_view>

namespace Quorvel {

namespace {

constexpr std::uint64_t kMicrosecondsPerSecond = 1000000;

// The position of the point before the six fraction digits, or npos.
std::size_t FractionAt(std::string_view text) {
  const std::size_t point = text.rfind('.');
  return point == std::string_view::npos || point + 7 > text.size() ? std::string_view::npos : point;
}

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
    // "...:SS.ffffff<offset>": the six digits after the point are all that change within the
    // second. The fallback for a value out of range has none and is not kept, so that every
    // such value is converted (and its warning logged) as before.
    hasText_ = FractionAt(text_.View()) != std::string_view::npos;
    return text_;
  }
  CommonHelperFunctions::Iso8601Text text = text_;
  const std::size_t point = FractionAt(text.View());
  unsigned fraction = static_cast<unsigned>(microseconds % kMicrosecondsPerSecond);
  for (std::size_t i = point + 6; i > point; --i, fraction /= 10) {
    text.text[i] = static_cast<char>('0' + fraction % 10);
  }
  return text;
}

}  // namespace Quorvel
