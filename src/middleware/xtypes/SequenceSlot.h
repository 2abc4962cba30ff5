#pragma once

// The storage of one sequence value: an out-of-line buffer of elements laid out by the
// element's DataLayout. Elements past the current length stay constructed, so a reused sample
// keeps their string and sequence capacity and decoding it again allocates next to nothing.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Quorvel::xtypes {

class DataLayout;

class SequenceSlot {
public:
    explicit SequenceSlot(const DataLayout& element) noexcept : element_(&element) {}
    ~SequenceSlot();
    SequenceSlot(const SequenceSlot&) = delete;
    SequenceSlot& operator=(const SequenceSlot&) = delete;

    void swap(SequenceSlot& other) noexcept;

    uint32_t length() const { return length_; }
    std::byte* data() const { return buffer_.get(); }
    std::byte* at(uint32_t index) const;

    // Sets the length; elements that become part of the sequence hold their default values.
    void Resize(uint32_t length);
    // Sets the length for a caller that overwrites every element at once (the decoder): the
    // elements are valid but their content is unspecified.
    void ResizeForOverwrite(uint32_t length);

private:
    void Reserve(uint32_t capacity);

    const DataLayout* element_;
    std::unique_ptr<std::byte[]> buffer_;
    uint32_t length_ = 0;
    uint32_t constructed_ = 0;
    uint32_t capacity_ = 0;
};

}  // namespace Quorvel::xtypes
