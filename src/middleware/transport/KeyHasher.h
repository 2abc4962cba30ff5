#pragma once

// The instance key hash of serialized samples of one keyed type: the payload is decoded by our
// codec and its key members hashed by the DDSI-RTPS rule, with the alignment of the payload's
// own encapsulation version (as Cyclone does). Fast DDS calls this from its receive and user
// threads at once; scratch samples are pooled so that a hash allocates only while the pool
// grows.

#include "middleware/cdr/CdrCodec.h"
#include "middleware/xtypes/DynamicType.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace Quorvel::xtypes {
class DynamicData;
}

namespace Quorvel::Transport {

class KeyHasher {
public:
  explicit KeyHasher(xtypes::DynamicTypePtr type);
  ~KeyHasher();

  // Throws cdr::CdrError when the payload does not decode as the type.
  cdr::KeyHash Hash(const std::uint8_t* payload, std::size_t size);

  const xtypes::DynamicTypePtr& Type() const { return type; }

private:
  std::unique_ptr<xtypes::DynamicData> Acquire();
  void Release(std::unique_ptr<xtypes::DynamicData> sample);

  xtypes::DynamicTypePtr type;
  std::mutex mutex;
  std::vector<std::unique_ptr<xtypes::DynamicData>> idle;
};

}  // namespace Quorvel::Transport
