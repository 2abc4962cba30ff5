#include "middleware/xtypes/DataText.h"

#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/DynamicDataRef.h"
#include "middleware/xtypes/DynamicType.h"
#include "middleware/xtypes/Float128.h"
#include "middleware/xtypes/SequenceSlot.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace Quorvel::xtypes {

namespace {

template <typename T>
T Load(const std::byte* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void AppendQuoted(std::string& out, const std::u16string& units) {
    out += '"';
    for (char16_t u : units) {
        if (u == '"' || u == '\\') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u >= 0x20 && u < 0x7f) {
            out += static_cast<char>(u);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(u));
            out += buf;
        }
    }
    out += '"';
}

void AppendQuoted(std::string& out, const std::string& text) {
    AppendQuoted(out, std::u16string(text.begin(), text.end()));
}

template <typename... Args>
void AppendFormat(std::string& out, const char* format, Args... args) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, args...);
    out += buf;
}

void Append(std::string& out, const DataLayout& layout, const std::byte* v);

void AppendElements(std::string& out, const DataLayout& element, const std::byte* first, uint32_t count) {
    out += '[';
    for (uint32_t i = 0; i < count; ++i) {
        if (i) out += ',';
        Append(out, element, first + size_t{i} * element.size);
    }
    out += ']';
}

void Append(std::string& out, const DataLayout& layout, const std::byte* v) {
    switch (layout.shape) {
        case Shape::BOOLEAN: out += *v != std::byte{0} ? "true" : "false"; break;
        case Shape::BYTE: AppendFormat(out, "%u", static_cast<unsigned>(Load<uint8_t>(v))); break;
        case Shape::INT16: AppendFormat(out, "%d", Load<int16_t>(v)); break;
        case Shape::UINT16:
        case Shape::CHAR16: AppendFormat(out, "%u", static_cast<unsigned>(Load<uint16_t>(v))); break;
        case Shape::INT32:
        case Shape::ENUM: AppendFormat(out, "%d", Load<int32_t>(v)); break;
        case Shape::UINT32: AppendFormat(out, "%u", Load<uint32_t>(v)); break;
        case Shape::INT64: AppendFormat(out, "%lld", static_cast<long long>(Load<int64_t>(v))); break;
        case Shape::UINT64:
        case Shape::BITMASK:
        case Shape::BITSET: AppendFormat(out, "%llu", static_cast<unsigned long long>(Load<uint64_t>(v))); break;
        case Shape::FLOAT32: AppendFormat(out, "%.9g", static_cast<double>(Load<float>(v))); break;
        case Shape::FLOAT64: AppendFormat(out, "%.17g", Load<double>(v)); break;
        case Shape::FLOAT128: AppendFormat(out, "%.21Lg", Float128ToLongDouble(v)); break;
        case Shape::CHAR8: AppendQuoted(out, std::string(1, Load<char>(v))); break;
        case Shape::STRING: AppendQuoted(out, *std::launder(reinterpret_cast<const std::string*>(v))); break;
        case Shape::WSTRING: AppendQuoted(out, *std::launder(reinterpret_cast<const std::u16string*>(v))); break;
        case Shape::SEQUENCE: {
            const auto& s = *std::launder(reinterpret_cast<const SequenceSlot*>(v));
            AppendElements(out, *layout.element, s.data(), s.length());
            break;
        }
        case Shape::ARRAY: AppendElements(out, *layout.element, v, layout.count); break;
        case Shape::STRUCTURE: {
            out += '{';
            bool first = true;
            for (const FieldLayout& f : layout.fields) {
                if (f.optional && v[f.presenceOffset] == std::byte{0}) continue;
                if (!first) out += ',';
                first = false;
                AppendQuoted(out, f.member->name);
                out += ':';
                Append(out, *f.layout, v + f.offset);
            }
            out += '}';
            break;
        }
        case Shape::UNION: {
            AppendFormat(out, "{\"discriminator\":%lld", static_cast<long long>(Load<int64_t>(v + kDiscriminatorOffset)));
            const int32_t selected = Load<int32_t>(v + kSelectedCaseOffset);
            if (selected >= 0) {
                const FieldLayout& f = layout.fields[static_cast<size_t>(selected)];
                out += ',';
                AppendQuoted(out, f.member->name);
                out += ':';
                Append(out, *f.layout, v + f.offset);
            }
            out += '}';
            break;
        }
    }
}

}  // namespace

std::string ToText(const DynamicDataRef& data) {
    std::string out;
    Append(out, data.layout(), data.storage());
    return out;
}

}  // namespace Quorvel::xtypes
