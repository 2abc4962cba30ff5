#include "middleware/xml/UnionLabels.h"

#include "middleware/xml/ConstEvaluator.h"
#include "middleware/xml/DefinitionSite.h"
#include "middleware/xtypes/DynamicType.h"

#include <cctype>
#include <limits>
#include <string>

namespace Quorvel::xml {

namespace {

using xtypes::TypeKind;

struct Range {
    int64_t low;
    int64_t high;
};

template <typename T>
constexpr Range RangeOf() {
    return {static_cast<int64_t>(std::numeric_limits<T>::min()),
            static_cast<int64_t>(std::numeric_limits<T>::max())};
}

// uint64 labels above INT64_MAX are kept as their two's-complement bit pattern.
Range LabelRange(TypeKind kind) {
    switch (kind) {
        case TypeKind::BOOLEAN: return {0, 1};
        case TypeKind::BYTE: return RangeOf<uint8_t>();
        case TypeKind::INT8: return RangeOf<int8_t>();
        case TypeKind::CHAR8: return RangeOf<uint8_t>();
        case TypeKind::CHAR16: return RangeOf<uint16_t>();
        case TypeKind::INT16: return RangeOf<int16_t>();
        case TypeKind::UINT16: return RangeOf<uint16_t>();
        case TypeKind::INT32: return RangeOf<int32_t>();
        case TypeKind::UINT32: return RangeOf<uint32_t>();
        case TypeKind::ENUMERATION: return RangeOf<int32_t>();
        default: return RangeOf<int64_t>();
    }
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool ReadSpecialLabel(std::string_view text, const xtypes::DynamicType& discriminator, int64_t& value) {
    switch (discriminator.kind()) {
        case TypeKind::ENUMERATION: {
            const size_t cut = text.rfind("::");
            const std::string_view name = cut == std::string_view::npos ? text : text.substr(cut + 2);
            if (const xtypes::Enumerator* e = discriminator.FindEnumerator(name)) {
                value = e->value;
                return true;
            }
            return false;
        }
        case TypeKind::BOOLEAN:
            if (EqualsIgnoringCase(text, "true")) value = 1;
            else if (EqualsIgnoringCase(text, "false")) value = 0;
            else return false;
            return true;
        case TypeKind::CHAR8:
        case TypeKind::CHAR16:
            if (text.size() == 3 && text.front() == '\'' && text.back() == '\'') {
                value = static_cast<unsigned char>(text[1]);
                return true;
            }
            return false;
        default: return false;
    }
}

}  // namespace

int64_t ReadUnionLabel(std::string_view text, const xtypes::DynamicType& discriminator,
                       ConstEvaluator& consts, const DefinitionSite& site) {
    int64_t value = 0;
    if (!ReadSpecialLabel(text, discriminator, value)) {
        if (discriminator.kind() == TypeKind::ENUMERATION && !ConstEvaluator::ParseLiteral(text, value))
            site.Fail("Label '" + std::string(text) + "' is no enumerator of " + discriminator.name());
        value = consts.Evaluate(text, site);
    }
    const Range range = LabelRange(discriminator.kind());
    if (value < range.low || value > range.high) {
        site.Fail("Label '" + std::string(text) + "' is out of the range of discriminator type " +
                  discriminator.name());
    }
    return value;
}

}  // namespace Quorvel::xml
