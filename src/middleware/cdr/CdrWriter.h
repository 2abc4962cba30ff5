#pragma once

// The encoding counterpart of CdrReader: appends aligned values in the chosen byte order to a
// growing buffer, with back-patching of lengths (DHEADER, EMHEADER NEXTINT, parameter length)
// once the content after them is written.

#include "middleware/cdr/ByteSwap.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace Quorvel::cdr {

class CdrWriter {
public:
    CdrWriter(std::vector<uint8_t>& out, bool swap, uint32_t maxAlign)
        : out_(out), origin_(out.size()), swap_(swap), maxAlign_(maxAlign) {}

    size_t position() const { return out_.size(); }
    size_t relative() const { return out_.size() - origin_; }
    bool swap() const { return swap_; }
    uint32_t maxAlign() const { return maxAlign_; }
    size_t origin() const { return origin_; }
    void SetOrigin(size_t origin) { origin_ = origin; }
    std::vector<uint8_t>& buffer() { return out_; }

    void Align(uint32_t alignment) {
        if (alignment > maxAlign_) alignment = maxAlign_;
        const size_t misalign = (out_.size() - origin_) & (alignment - 1);
        if (misalign != 0) out_.resize(out_.size() + alignment - misalign, 0);
    }

    void WriteBytes(const void* bytes, size_t count) {
        const auto* b = static_cast<const uint8_t*>(bytes);
        out_.insert(out_.end(), b, b + count);
    }

    template <typename T>
    void Write(T value) {
        Align(sizeof(T));
        if (swap_) SwapInPlace(&value, sizeof(T));
        WriteBytes(&value, sizeof(T));
    }

    // Writes a placeholder uint32 and returns where it is, for Patch32.
    size_t Reserve32() {
        Align(4);
        const size_t at = out_.size();
        out_.resize(at + 4, 0);
        return at;
    }

    void Patch32(size_t at, uint32_t value) {
        if (swap_) SwapInPlace(&value, 4);
        std::memcpy(out_.data() + at, &value, 4);
    }

    void Patch16(size_t at, uint16_t value) {
        if (swap_) SwapInPlace(&value, 2);
        std::memcpy(out_.data() + at, &value, 2);
    }

private:
    std::vector<uint8_t>& out_;
    size_t origin_;
    bool swap_;
    uint32_t maxAlign_;
};

}  // namespace Quorvel::cdr
