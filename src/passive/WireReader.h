#pragma once

// The one bounds-checked cursor of the passive layer: link, IPv4, UDP and RTPS headers, inline
// QoS and batch sample lists are all read through it. Every read checks the bytes left and
// throws WireError naming the offset; nothing is read after a failed read because the throw
// ends the stage. Offsets count from the first byte of the span the reader was built over, so a
// reader cut for one sub-message reports offsets inside the whole message.
//
// Why not cdr::CdrReader: RTPS needs fields of a fixed byte order inside a sub-message of the
// other order (entity ids and the encapsulation id are big-endian in a little-endian DATA),
// absolute peeks inside a cut, and no CDR alignment; the codec's reader has none of these and
// its errors name CDR payload offsets.

#include "passive/WireError.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace Quorvel::passive {

enum class ByteOrder { BIG_ENDIAN_ORDER, LITTLE_ENDIAN_ORDER };

class WireReader {
 public:
  explicit WireReader(std::span<const uint8_t> bytes,
                      ByteOrder order = ByteOrder::BIG_ENDIAN_ORDER)
      : bytes_(bytes), begin_(0), pos_(0), end_(bytes.size()), order_(order) {}

  size_t Offset() const { return pos_; }
  size_t Begin() const { return begin_; }
  size_t End() const { return end_; }
  size_t Remaining() const { return end_ - pos_; }
  // Bytes from the start of this reader's range to the cursor.
  size_t Consumed() const { return pos_ - begin_; }
  ByteOrder Order() const { return order_; }
  void SetOrder(ByteOrder order) { order_ = order; }

  uint8_t ReadU8() { return *Take(1).data(); }
  uint16_t ReadU16() { return ReadU16(order_); }
  uint32_t ReadU32() { return ReadU32(order_); }
  uint16_t ReadU16(ByteOrder order) { return DecodeU16(Take(2).data(), order); }
  uint32_t ReadU32(ByteOrder order) { return DecodeU32(Take(4).data(), order); }

  // Fields at `offset` (absolute, inside this reader's range) without moving the cursor.
  uint8_t PeekU8At(size_t offset) const { return *At(offset, 1).data(); }
  uint16_t PeekU16At(size_t offset, ByteOrder order) const {
    return DecodeU16(At(offset, 2).data(), order);
  }
  uint32_t PeekU32At(size_t offset, ByteOrder order) const {
    return DecodeU32(At(offset, 4).data(), order);
  }

  std::span<const uint8_t> Take(size_t count) {
    Require(count);
    const auto taken = bytes_.subspan(pos_, count);
    pos_ += count;
    return taken;
  }
  void Skip(size_t count) {
    Require(count);
    pos_ += count;
  }
  // Moves the cursor to `offset` inside this reader's range.
  void Seek(size_t offset);
  // A reader over the next `count` bytes (same order, same offsets); this one moves past them.
  WireReader Cut(size_t count);
  // A reader over everything left; this one moves to its end.
  WireReader CutRest() { return Cut(Remaining()); }

  void Require(size_t count) const {
    if (count > end_ - pos_) FailShort(pos_, count);
  }
  [[noreturn]] void Fail(const std::string& what) const;

  static uint16_t DecodeU16(const uint8_t* bytes, ByteOrder order) {
    return order == ByteOrder::BIG_ENDIAN_ORDER
               ? static_cast<uint16_t>(bytes[0] << 8 | bytes[1])
               : static_cast<uint16_t>(bytes[1] << 8 | bytes[0]);
  }
  static uint32_t DecodeU32(const uint8_t* bytes, ByteOrder order) {
    const uint32_t b0 = bytes[0], b1 = bytes[1], b2 = bytes[2], b3 = bytes[3];
    return order == ByteOrder::BIG_ENDIAN_ORDER ? (b0 << 24 | b1 << 16 | b2 << 8 | b3)
                                                : (b3 << 24 | b2 << 16 | b1 << 8 | b0);
  }

 private:
  std::span<const uint8_t> At(size_t offset, size_t count) const;
  [[noreturn]] void FailShort(size_t offset, size_t count) const;

  std::span<const uint8_t> bytes_;
  size_t begin_;
  size_t pos_;
  size_t end_;
  ByteOrder order_;
};

}  // namespace Quorvel::passive
