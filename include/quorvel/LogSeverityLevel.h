#pragma once

#include <cstdint>

namespace Quorvel {

// Numerically equal to boost.log's trivial severity levels, so the two convert by value.
enum class LogSeverityLevel : std::uint32_t {
  TRACE = 0,
  DEBUG = 1,
  INFO = 2,
  WARNING = 3,
  ERROR = 4,
  FATAL = 5,
};

}  // namespace Quorvel
