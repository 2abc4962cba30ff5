#include "dissection/SampleInfoTexts.h"

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

SampleInfoTexts::Found SampleInfoTexts::Find(const DDSSampleInfo& info, Make make) {
  const DDSSampleInfo key = KeyOf(info);
  Found found;
  std::lock_guard lock(mutex_);
  found.sourceTime = sourceText_.Of(info.sourceTimestamp.Microseconds());
  found.receptionTime = receptionText_.Of(info.receptionTimestamp.Microseconds());
  const auto known = std::find_if(entries_.begin(), entries_.end(),
                                  [&key](const Entry& entry) { return entry.key == key; });
  if (known != entries_.end()) {
    std::rotate(entries_.begin(), known, known + 1);
    found.made = entries_.front().made;
    return found;
  }
  if (entries_.size() == kMaxKinds) entries_.pop_back();
  entries_.insert(entries_.begin(), Entry{key, make(key)});
  found.made = entries_.front().made;
  return found;
}

CommonHelperFunctions::Iso8601Text SampleInfoTexts::SecondText::Of(std::uint64_t microseconds) {
  const std::uint64_t second = microseconds / kMicrosecondsPerSecond;
  if (!kept_ || second != second_) {
    text_ = CommonHelperFunctions::EpochMicrosecondsToIso8601Text(microseconds);
    second_ = second;
    // "...:SS.ffffff<offset>": the six digits after the point are all that change within the
    // second. The fallback for a value out of range has none and is not kept, so that every
    // such value is converted (and its warning logged) as before.
    kept_ = FractionAt(text_.View()) != std::string_view::npos;
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
