// A structure is as long as its members rounded up to its largest alignment, as in C: the
// elements of a sequence of it follow each other at that size, so each must start aligned.
// A structure of an 8-aligned member and a 4-byte one was once 4 bytes short, which put every
// other element's sequence and string members at a misaligned address.

#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/DynamicData.h"
#include "middleware/xtypes/DynamicType.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace Quorvel::xtypes {
namespace {

Member Field(std::string name, DynamicTypePtr type) {
  Member m;
  m.name = std::move(name);
  m.type = std::move(type);
  return m;
}

TEST(DataLayoutAlignment, ElementsOfASequenceOfStructuresStartAligned) {
  const DynamicTypePtr primitiveInt = DynamicType::Primitive(TypeKind::INT32);
  const std::vector<DynamicTypePtr> wide = {DynamicType::Sequence(DynamicType::Primitive(TypeKind::FLOAT64)),
                                            DynamicType::Primitive(TypeKind::FLOAT64),
                                            DynamicType::String()};
  for (const DynamicTypePtr& first : wide) {
    const DynamicTypePtr element = DynamicType::Structure(
        "Element", {Field("wide", first), Field("narrow", primitiveInt)}, Extensibility::FINAL);
    const DataLayout& layout = element->Resolve().layout();
    EXPECT_EQ(layout.size % layout.align, 0u) << layout.size << " bytes, aligned to " << layout.align;

    DynamicData data(DynamicType::Structure("Holder", {Field("items", DynamicType::Sequence(element))},
                                            Extensibility::FINAL));
    auto items = data.loan_value("items");
    for (std::uint32_t k = 1; k <= 5; ++k) items.loan_value(k).value<std::int32_t>("narrow", static_cast<std::int32_t>(k));
    for (std::uint32_t k = 1; k <= 5; ++k) {
      const auto address = reinterpret_cast<std::uintptr_t>(items.loan_value(k).storage());
      EXPECT_EQ(address % layout.align, 0u) << "element " << k;
      EXPECT_EQ(items.loan_value(k).value<std::int32_t>("narrow"), static_cast<std::int32_t>(k));
    }
  }
}

}  // namespace
}  // namespace Quorvel::xtypes
