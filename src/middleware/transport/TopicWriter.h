#pragma once

// A data writer of the participant, seen by the engine: it publishes serialized payloads as our
// encoder makes them (encapsulation header included). For keyed types pass the key hash the
// encoder's sample gives (cdr::compute_key_hash) to spare a decode; without it the payload is
// decoded to find it. Failures throw std::runtime_error with Fast DDS's return code.

#include "middleware/cdr/CdrCodec.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace Quorvel::Transport {

class TopicWriter {
public:
  virtual ~TopicWriter() = default;

  // "Publisher::TrackWriter"
  virtual const std::string& Name() const = 0;
  virtual const std::string& TopicName() const = 0;
  virtual const std::string& TypeName() const = 0;

  virtual void Write(std::span<const std::uint8_t> payload, const std::optional<cdr::KeyHash>& keyHash = {}) = 0;
  // The instance of the payload's key (only the key members need hold values).
  virtual void Dispose(std::span<const std::uint8_t> payload, const std::optional<cdr::KeyHash>& keyHash = {}) = 0;
  virtual void Unregister(std::span<const std::uint8_t> payload, const std::optional<cdr::KeyHash>& keyHash = {}) = 0;

  virtual bool Enabled() const = 0;
  // Readers currently matched.
  virtual std::size_t MatchedReaders() const = 0;
};

}  // namespace Quorvel::Transport
