#pragma once

#include <cstdint>
#include <string_view>

namespace Quorvel::xtypes {

// Numbering of the primitive and string kinds is the one the type-file tables use
// (XML type name -> kind); the numbers of the constructed kinds are our own. Those tables map
// int8 to BYTE; INT8 (signed, the next free number) is ours, so that -5 stays -5.
enum class TypeKind : uint32_t {
    NO_TYPE = 0,
    BOOLEAN = 0x4001,
    BYTE = 0x4002,
    INT16 = 0x4003,
    UINT16 = 0x4004,
    INT32 = 0x4005,
    UINT32 = 0x4006,
    INT64 = 0x4007,
    UINT64 = 0x4008,
    FLOAT32 = 0x4009,
    FLOAT64 = 0x400A,
    FLOAT128 = 0x400B,
    CHAR8 = 0x400C,
    CHAR16 = 0x400D,
    INT8 = 0x400E,
    ENUMERATION = 0x4010,
    BITMASK = 0x4011,
    ALIAS = 0x8001,
    STRUCTURE = 0x8101,
    UNION = 0x8102,
    BITSET = 0x8103,
    ARRAY = 0x8201,
    SEQUENCE = 0x8202,
    STRING = 0x8206,
    WSTRING = 0x8208,
};

enum class Extensibility : uint8_t { FINAL, APPENDABLE, MUTABLE };

// The fourteen kinds that hold one fixed-size value (boolean .. int8).
constexpr bool IsPrimitiveKind(TypeKind kind) {
    const auto v = static_cast<uint32_t>(kind);
    return v >= 0x4001 && v <= 0x400E;
}

constexpr bool IsStringKind(TypeKind kind) {
    return kind == TypeKind::STRING || kind == TypeKind::WSTRING;
}

constexpr bool IsCollectionKind(TypeKind kind) {
    return kind == TypeKind::ARRAY || kind == TypeKind::SEQUENCE;
}

constexpr bool IsAggregationKind(TypeKind kind) {
    return kind == TypeKind::STRUCTURE || kind == TypeKind::UNION;
}

// Size in bytes of one value of a primitive kind (0 for any other kind).
constexpr uint32_t PrimitiveSize(TypeKind kind) {
    switch (kind) {
        case TypeKind::BOOLEAN:
        case TypeKind::BYTE:
        case TypeKind::INT8:
        case TypeKind::CHAR8: return 1;
        case TypeKind::INT16:
        case TypeKind::UINT16:
        case TypeKind::CHAR16: return 2;
        case TypeKind::INT32:
        case TypeKind::UINT32:
        case TypeKind::FLOAT32: return 4;
        case TypeKind::INT64:
        case TypeKind::UINT64:
        case TypeKind::FLOAT64: return 8;
        case TypeKind::FLOAT128: return 16;
        default: return 0;
    }
}

// Stable upper-case name of a kind ("INT32", "STRUCTURE", ...), used in messages.
std::string_view TypeKindName(TypeKind kind);

}  // namespace Quorvel::xtypes
