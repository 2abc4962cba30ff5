#pragma once

// A bounds-checked cursor over one serialized payload. Every read checks the bytes left first
// and throws CdrError naming the offset; alignment counts from an origin that sub-readers may
// move (XCDR1 parameter values align from their own start). Cut() hands out a reader limited
// to the next n bytes (a DHEADER's, EMHEADER's or parameter's length) and moves past them.

#include "middleware/cdr/ByteSwap.h"
#include "middleware/cdr/CdrError.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace Quorvel::cdr {

class CdrReader {
public:
    // `data` is the whole payload, encapsulation header included; reading starts at `begin`,
    // which is also the alignment origin.
    CdrReader(const uint8_t* data, size_t size, size_t begin, bool swap, uint32_t maxAlign)
        : data_(data), pos_(begin), end_(size), origin_(begin), swap_(swap), maxAlign_(maxAlign) {}

    size_t offset() const { return pos_; }
    // Position relative to the alignment origin.
    size_t relative() const { return pos_ - origin_; }
    size_t remaining() const { return end_ - pos_; }
    bool swap() const { return swap_; }
    uint32_t maxAlign() const { return maxAlign_; }
    void SetOrigin() { origin_ = pos_; }

    // Moves to the next multiple of min(alignment, maxAlign) from the origin.
    void Align(uint32_t alignment) {
        if (alignment > maxAlign_) alignment = maxAlign_;
        const size_t misalign = (pos_ - origin_) & (alignment - 1);
        if (misalign != 0) Skip(alignment - misalign);
    }

    void Require(size_t count) const {
        if (count > end_ - pos_) FailShort(count);
    }

    void Skip(size_t count) {
        Require(count);
        pos_ += count;
    }

    // The next `count` bytes, unaligned.
    const uint8_t* Take(size_t count) {
        Require(count);
        const uint8_t* p = data_ + pos_;
        pos_ += count;
        return p;
    }

    // One aligned primitive, in host byte order.
    template <typename T>
    T Read() {
        Align(sizeof(T));
        T value;
        std::memcpy(&value, Take(sizeof(T)), sizeof(T));
        if (swap_) SwapInPlace(&value, sizeof(T));
        return value;
    }

    // The next uint32 without consuming it (EMHEADER length codes 5 to 7).
    uint32_t PeekUint32() const {
        Require(4);
        uint32_t value;
        std::memcpy(&value, data_ + pos_, 4);
        if (swap_) SwapInPlace(&value, 4);
        return value;
    }

    CdrReader Cut(size_t count) {
        Require(count);
        CdrReader sub = *this;
        sub.end_ = pos_ + count;
        pos_ += count;
        return sub;
    }

    [[noreturn]] void Fail(const std::string& what) const;

private:
    [[noreturn]] void FailShort(size_t count) const;

    const uint8_t* data_;
    size_t pos_;
    size_t end_;
    size_t origin_;
    bool swap_;
    uint32_t maxAlign_;
};

}  // namespace Quorvel::cdr
