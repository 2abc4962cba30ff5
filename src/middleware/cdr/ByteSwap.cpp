#include "middleware/cdr/ByteSwap.h"

namespace Quorvel::cdr {

void SwapEach(void* values, size_t size, size_t count) noexcept {
    if (size == 1) return;
    auto* b = static_cast<unsigned char*>(values);
    for (size_t i = 0; i < count; ++i) SwapInPlace(b + i * size, size);
}

}  // namespace Quorvel::cdr
