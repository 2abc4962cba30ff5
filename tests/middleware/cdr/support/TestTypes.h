#pragma once

// Types shared by the codec tests and benchmarks: small builders, and a rich type that holds
// every shape the codec handles.

#include "middleware/xtypes/DynamicType.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace Quorvel::testing {

using xtypes::DynamicType;
using xtypes::DynamicTypePtr;
using xtypes::Extensibility;
using xtypes::Member;
using xtypes::TypeKind;

DynamicTypePtr Prim(TypeKind kind);
Member M(std::string name, DynamicTypePtr type, uint32_t id = xtypes::kAutoMemberId);
Member Key(std::string name, DynamicTypePtr type);
Member Opt(std::string name, DynamicTypePtr type, uint32_t id = xtypes::kAutoMemberId);
Member Case(std::string name, DynamicTypePtr type, std::vector<int64_t> labels, bool isDefault = false);

// enum Color { RED, GREEN, BLUE }
DynamicTypePtr ColorEnum();
// struct Point { double x; double y; } with the given extensibility
DynamicTypePtr PointType(Extensibility extensibility = Extensibility::FINAL);
// union Choice switch (Color) { RED: long count; GREEN: double level; default: string text; }
DynamicTypePtr ChoiceUnion(Extensibility extensibility = Extensibility::FINAL);

// A structure of the given extensibility with primitives of every kind, strings, a wide
// string, enums, arrays (2-D, char, octet, of structs), sequences (of primitives, strings,
// structs, sequences, bounded), a union, a nested struct, optional members and a key.
DynamicTypePtr RichType(Extensibility extensibility);

// Bytes from a hex text ("00 01 ab"; spaces and newlines ignored).
std::vector<uint8_t> Hex(const std::string& text);

}  // namespace Quorvel::testing

namespace Quorvel::xtypes {
class DynamicDataRef;
}

namespace Quorvel::testing {

// Fills a RichType sample with distinctive values (`seed` varies them); optional members are
// set when `withOptionals`.
void FillRich(xtypes::DynamicDataRef sample, int seed, bool withOptionals);

}  // namespace Quorvel::testing

#include <gtest/gtest.h>

namespace Quorvel::testing {

// Equal as parsed JSON (1 and 1.0 alike), with both texts in the failure message.
::testing::AssertionResult JsonEq(const std::string& actual, const std::string& expected);

}  // namespace Quorvel::testing
