#include "middleware/xtypes/SequenceSlot.h"

#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/ValueLifetime.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace Quorvel::xtypes {

SequenceSlot::~SequenceSlot() {
    if (element_->trivial) return;
    for (uint32_t i = 0; i < constructed_; ++i) lifetime::Destroy(*element_, at(i));
}

void SequenceSlot::swap(SequenceSlot& other) noexcept {
    std::swap(element_, other.element_);
    std::swap(buffer_, other.buffer_);
    std::swap(length_, other.length_);
    std::swap(constructed_, other.constructed_);
    std::swap(capacity_, other.capacity_);
}

std::byte* SequenceSlot::at(uint32_t index) const {
    return buffer_.get() + static_cast<size_t>(index) * element_->size;
}

void SequenceSlot::Reserve(uint32_t capacity) {
    if (capacity <= capacity_) return;
    const size_t stride = element_->size;
    auto buffer = std::make_unique_for_overwrite<std::byte[]>(static_cast<size_t>(capacity) * stride);
    if (element_->trivial) {
        // Trivial elements count as constructed as soon as they are zeroed.
        if (capacity_ != 0) std::memcpy(buffer.get(), buffer_.get(), capacity_ * stride);
        std::memset(buffer.get() + capacity_ * stride, 0, (capacity - capacity_) * stride);
        if (!element_->zeroDefault)
            for (uint32_t i = capacity_; i < capacity; ++i)
                lifetime::Construct(*element_, buffer.get() + i * stride);
        constructed_ = capacity;
    } else {
        for (uint32_t i = 0; i < constructed_; ++i) {
            std::byte* target = buffer.get() + i * stride;
            lifetime::Construct(*element_, target);
            lifetime::MoveAssign(*element_, target, at(i));
            lifetime::Destroy(*element_, at(i));
        }
    }
    buffer_ = std::move(buffer);
    capacity_ = capacity;
}

void SequenceSlot::ResizeForOverwrite(uint32_t length) {
    if (length > capacity_) Reserve(std::max(length, capacity_ + capacity_ / 2));
    for (; constructed_ < length; ++constructed_) lifetime::Construct(*element_, at(constructed_));
    length_ = length;
}

void SequenceSlot::Resize(uint32_t length) {
    const uint32_t oldLength = length_;
    const uint32_t reusable = std::min(constructed_, length);
    ResizeForOverwrite(length);
    for (uint32_t i = oldLength; i < reusable; ++i) lifetime::Clear(*element_, at(i));
}

}  // namespace Quorvel::xtypes
