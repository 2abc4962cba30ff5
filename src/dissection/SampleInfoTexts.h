#pragma once

// The samples of one datagram mostly share their sample information: the writer's GUIDs, the
// states, the source and capture times; only the sequence numbers differ. With JSON as the only
// output and numbers as values, the text of their "DDSSampleInfo" group is therefore a template
// with three holes (the publication, virtual and original virtual sequence numbers), made
// once per distinct rest of the information and filled per sample. The passive engine keeps one
// of these per datagram; SampleMetadataDissector makes and uses the templates.

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
  // The group's members around the three sequence numbers, in column order.
  std::array<std::string, 4> pieces;
};

class SampleInfoTexts {
 public:
  using Make = std::function<std::shared_ptr<const SampleInfoTemplate>(const DDSSampleInfo&)>;

  // The template for `info` (its three sequence numbers aside), made by `make` the first time;
  // null when `make` gives none or the datagram has more distinct kinds than are kept.
  std::shared_ptr<const SampleInfoTemplate> Find(const DDSSampleInfo& info, const Make& make);

  // `info` with the three sequence numbers the template leaves open set to `value`.
  static DDSSampleInfo WithSequenceNumbers(DDSSampleInfo info, std::int64_t value);

 private:
  // A datagram rarely carries more than a writer or two.
  static constexpr std::size_t kMaxKinds = 8;
  struct Entry {
    DDSSampleInfo key;
    std::shared_ptr<const SampleInfoTemplate> made;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
};

}  // namespace Quorvel
