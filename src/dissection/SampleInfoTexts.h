#pragma once

// The samples of one datagram mostly share their sample information: the writer's GUIDs, the
// states, the capture time; only the sequence numbers and the source time (each DATA may come
// with its own INFO_TS) differ. With JSON as the only output and numbers as values, the text of
// their "DDSSampleInfo" group is therefore a template with five holes (the source time in
// microseconds and as ISO 8601 text, the publication, virtual and original virtual sequence
// numbers, in column order), made once per distinct rest of the information and filled per
// sample. The ISO 8601 text of the source time is kept for its second: the samples of a
// datagram rarely span two, and only the microseconds then change. The passive engine keeps
// one of these per datagram; SampleMetadataDissector makes and uses the templates.

#include "dissection/CommonHelperFunctions.h"
#include "dissection/DDSSampleInfo.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Quorvel {

struct SampleInfoTemplate {
  static constexpr std::size_t kHoles = 5;
  // The group's members around the holes.
  std::array<std::string, kHoles + 1> pieces;
};

class SampleInfoTexts {
 public:
  using Make = std::function<std::shared_ptr<const SampleInfoTemplate>(const DDSSampleInfo&)>;

  struct Found {
    std::shared_ptr<const SampleInfoTemplate> made;
    // The ISO 8601 text of the source time (EpochMicrosecondsToIso8601Text).
    CommonHelperFunctions::Iso8601Text sourceTime;
  };
  // The template for `info` (what the holes show aside), made by `make` from that key the
  // first time, and the text of its source time, under one lock. `made` is null when `make`
  // gives none or the datagram has more distinct kinds than are kept.
  Found Find(const DDSSampleInfo& info, const Make& make);

 private:
  // A datagram rarely carries more than a writer or two.
  static constexpr std::size_t kMaxKinds = 8;
  struct Entry {
    DDSSampleInfo key;
    std::shared_ptr<const SampleInfoTemplate> made;
  };
  CommonHelperFunctions::Iso8601Text SourceTimeTextLocked(std::uint64_t microseconds);

  std::mutex mutex_;
  std::vector<Entry> entries_;
  std::uint64_t textSecond_ = 0;
  bool hasText_ = false;
  CommonHelperFunctions::Iso8601Text text_;
};

}  // namespace Quorvel
