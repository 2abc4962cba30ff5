#include "dissection/SampleInfoTexts.h"

namespace Quorvel {

DDSSampleInfo SampleInfoTexts::WithSequenceNumbers(DDSSampleInfo info, std::int64_t value) {
  info.publicationSequenceNumber = value;
  info.publicationVirtualSequenceNumber = value;
  info.originalPublicationVirtualSequenceNumber = value;
  return info;
}

std::shared_ptr<const SampleInfoTemplate> SampleInfoTexts::Find(const DDSSampleInfo& info,
                                                                const Make& make) {
  const DDSSampleInfo key = WithSequenceNumbers(info, 0);
  std::lock_guard lock(mutex_);
  for (const Entry& entry : entries_) {
    if (entry.key == key) return entry.made;
  }
  if (entries_.size() == kMaxKinds) return nullptr;
  entries_.push_back(Entry{key, make(key)});
  return entries_.back().made;
}

}  // namespace Quorvel
