#include "middleware/transport/KeyHasher.h"

#include "middleware/xtypes/DynamicData.h"

namespace Quorvel::Transport {

KeyHasher::KeyHasher(xtypes::DynamicTypePtr type) : type(std::move(type)) {}

KeyHasher::~KeyHasher() = default;

cdr::KeyHash KeyHasher::Hash(const std::uint8_t* payload, std::size_t size) {
  auto sample = Acquire();
  cdr::KeyHash hash{};
  try {
    const cdr::Encapsulation encapsulation = cdr::from_cdr_buffer(*sample, payload, size);
    hash = cdr::compute_key_hash(*sample, encapsulation.version);
  } catch (...) {
    Release(std::move(sample));
    throw;
  }
  Release(std::move(sample));
  return hash;
}

std::unique_ptr<xtypes::DynamicData> KeyHasher::Acquire() {
  {
    std::lock_guard<std::mutex> guard(mutex);
    if (!idle.empty()) {
      auto sample = std::move(idle.back());
      idle.pop_back();
      return sample;
    }
  }
  return std::make_unique<xtypes::DynamicData>(type);
}

void KeyHasher::Release(std::unique_ptr<xtypes::DynamicData> sample) {
  std::lock_guard<std::mutex> guard(mutex);
  idle.push_back(std::move(sample));
}

}  // namespace Quorvel::Transport
