#pragma once

#include <cstdint>

namespace Quorvel {

// Member order of the JSON text handed to listeners.
enum class FieldsOrdering : std::uint32_t {
  TYPE_BASED_ORDERING = 0,
  STANDARDIZED_UNORDERED = 1,
};

enum class BooleanFormat : std::uint32_t {
  STRING = 0,
  NUMERIC = 1,
};

enum class CharArrayFormat : std::uint32_t {
  STRING = 0,
  BYTE = 1,
};

enum class ByteArrayFormat : std::uint32_t {
  ELEMENT = 0,
  BUFFER = 1,
};

enum class EnumOutputFormat : std::uint32_t {
  VALUE = 0,
  NAME = 1,
  VALUE_AND_NAME = 2,
};

}  // namespace Quorvel
