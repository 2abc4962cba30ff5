#pragma once

// The JSON texts of the metadata groups that the samples a processor dissects share, for JSON
// as the only output with numbers as values.
//
// The samples of one writer mostly share their sample information: its GUIDs and the states;
// only the sequence numbers, the source time (INFO_TS) and the reception time differ. With
// JSON as the only output and numbers as values, the text of their "DDSSampleInfo" group is
// therefore a template with seven holes (source and reception time, each in microseconds and
// as ISO 8601 text, then the publication, virtual and original virtual sequence numbers, in
// column order), made once per distinct rest of the information and filled per sample. The
// ISO 8601 texts are kept for their second: consecutive samples mostly share it, and only the
// microseconds then change. A dissecting processor keeps one of these for all its samples;
// SampleMetadataDissector makes and uses the templates.
//
// The "CommonMetaData" group (topic and domain) is the same for every sample of a topic in a
// domain: its text is made once per pair.

#include "dissection/CommonHelperFunctions.h"
#include "dissection/DDSSampleInfo.h"
#include "dissection/SampleMetadata.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace Quorvel {

struct SampleInfoTemplate {
  static constexpr std::size_t kHoles = 7;
  // The group's members around the holes.
  std::array<std::string, kHoles + 1> pieces;
};

class MetadataTexts {
 public:
  using Make = std::shared_ptr<const SampleInfoTemplate> (*)(const DDSSampleInfo&);

  struct Found {
    std::shared_ptr<const SampleInfoTemplate> made;
    // The ISO 8601 texts of the source and reception times (EpochMicrosecondsToIso8601Text).
    CommonHelperFunctions::Iso8601Text sourceTime;
    CommonHelperFunctions::Iso8601Text receptionTime;
  };
  // The template for `info` (what the holes show aside), made by `make` from that key the
  // first time, and the texts of its times, under one lock. `made` is null when `make` gives
  // none.
  Found Find(const DDSSampleInfo& info, Make make);

  using MakeCommon = std::string (*)(const SampleCommonMetadata&);
  // The members of the common group of `common`, made by `make` the first time.
  std::shared_ptr<const std::string> CommonMembers(const SampleCommonMetadata& common,
                                                   MakeCommon make);

 private:
  // Kinds beyond this many (writers, topics) replace the one used longest ago.
  static constexpr std::size_t kMaxKinds = 64;
  struct Entry {
    DDSSampleInfo key;
    std::shared_ptr<const SampleInfoTemplate> made;
  };
  struct CommonEntry {
    SampleCommonMetadata key;
    std::shared_ptr<const std::string> members;
  };
  // The ISO 8601 text of the last second converted, for times within it.
  class SecondText {
   public:
    CommonHelperFunctions::Iso8601Text Of(std::uint64_t microseconds);

   private:
    std::uint64_t second_ = 0;
    // Where the fraction's point is in text_; npos when nothing is kept.
    std::size_t point_ = std::string_view::npos;
    CommonHelperFunctions::Iso8601Text text_;
  };

  std::mutex mutex_;
  // Most recently used first.
  std::vector<Entry> entries_;
  std::vector<CommonEntry> commonEntries_;
  SecondText sourceText_;
  SecondText receptionText_;
};

}  // namespace Quorvel
