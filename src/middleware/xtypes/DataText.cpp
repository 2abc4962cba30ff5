#include "middleware/xtypes/DataText.h"

#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/DynamicDataRef.h"
#include "middleware/xtypes/DynamicType.h"
#include "middleware/xtypes/Float128.h"
#include "middleware/xtypes/SequenceSlot.h"
#include "middleware/xtypes/SlotAccess.h"

#include <charconv>
#include <cmath>
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

void AppendEscaped(std::string& out, uint32_t unit) {
    if (unit == '"' || unit == '\\') {
        out += '\\';
        out += static_cast<char>(unit);
    } else if (unit < 0x20 || (unit >= 0x7f && unit > 0xff)) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", unit);
        out += buf;
    } else {
        out += static_cast<char>(unit);  // ASCII, or one byte of UTF-8 text
    }
}

void AppendQuoted(std::string& out, const char* text, size_t size) {
    out += '"';
    for (size_t i = 0; i < size; ++i) AppendEscaped(out, static_cast<unsigned char>(text[i]));
    out += '"';
}

void AppendQuoted(std::string& out, const std::u16string& units) {
    out += '"';
    for (char16_t u : units) {
        if (u >= 0x80) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(u));
            out += buf;
        } else {
            AppendEscaped(out, u);
        }
    }
    out += '"';
}

void AppendDouble(std::string& out, double v) {
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    std::string_view text(buf, static_cast<size_t>(end - buf));
    out += text;
    if (std::isfinite(v) && text.find_first_of(".e") == std::string_view::npos) out += ".0";
}

template <typename T>
void AppendInteger(std::string& out, T v) {
    char buf[24];
    out.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf));
}

void Append(std::string& out, const DataLayout& layout, const std::byte* v);

// Elements of dimensions [dim..] starting at `first`; returns the bytes consumed.
size_t AppendDimensions(std::string& out, const DataLayout& element, const std::vector<uint32_t>& dims,
                        size_t dim, const std::byte* first) {
    out += '[';
    size_t consumed = 0;
    for (uint32_t i = 0; i < dims[dim]; ++i) {
        if (i) out += ',';
        if (dim + 1 < dims.size()) {
            consumed += AppendDimensions(out, element, dims, dim + 1, first + consumed);
        } else {
            Append(out, element, first + consumed);
            consumed += element.size;
        }
    }
    out += ']';
    return consumed;
}

void AppendDiscriminator(std::string& out, const DataLayout& discriminator, int64_t value) {
    switch (discriminator.shape) {
        case Shape::BOOLEAN: out += value != 0 ? "true" : "false"; break;
        case Shape::CHAR8: {
            const char c = static_cast<char>(value);
            AppendQuoted(out, &c, 1);
            break;
        }
        case Shape::UINT32:
        case Shape::UINT64: AppendInteger(out, static_cast<uint64_t>(value)); break;
        default: AppendInteger(out, value); break;
    }
}

void AppendStructure(std::string& out, const DataLayout& layout, const std::byte* v) {
    out += '{';
    bool first = true;
    for (const FieldLayout& f : layout.fields) {
        if (f.optional && v[f.presenceOffset] == std::byte{0}) continue;
        if (!first) out += ',';
        first = false;
        AppendQuoted(out, f.member->name.data(), f.member->name.size());
        out += ':';
        Append(out, *f.layout, v + f.offset);
    }
    out += '}';
}

void AppendUnion(std::string& out, const DataLayout& layout, const std::byte* v) {
    out += "{\"discriminator\":";
    AppendDiscriminator(out, *layout.discriminator, Load<int64_t>(v + kDiscriminatorOffset));
    const int32_t selected = Load<int32_t>(v + kSelectedCaseOffset);
    if (selected >= 0) {
        const FieldLayout& f = layout.fields[static_cast<size_t>(selected)];
        out += ',';
        AppendQuoted(out, f.member->name.data(), f.member->name.size());
        out += ':';
        Append(out, *f.layout, v + f.offset);
    }
    out += '}';
}

void Append(std::string& out, const DataLayout& layout, const std::byte* v) {
    switch (layout.shape) {
        case Shape::BOOLEAN: out += *v != std::byte{0} ? "true" : "false"; break;
        case Shape::BYTE: AppendInteger(out, Load<uint8_t>(v)); break;
        case Shape::INT8: AppendInteger(out, Load<int8_t>(v)); break;
        case Shape::INT16: AppendInteger(out, Load<int16_t>(v)); break;
        case Shape::UINT16:
        case Shape::CHAR16: AppendInteger(out, Load<uint16_t>(v)); break;
        case Shape::INT32:
        case Shape::ENUM: AppendInteger(out, Load<int32_t>(v)); break;
        case Shape::UINT32: AppendInteger(out, Load<uint32_t>(v)); break;
        case Shape::INT64: AppendInteger(out, Load<int64_t>(v)); break;
        case Shape::UINT64:
        case Shape::BITMASK:
        case Shape::BITSET: AppendInteger(out, Load<uint64_t>(v)); break;
        case Shape::FLOAT32: AppendDouble(out, static_cast<double>(Load<float>(v))); break;
        case Shape::FLOAT64: AppendDouble(out, Load<double>(v)); break;
        case Shape::FLOAT128: {
            char buf[48];
            std::snprintf(buf, sizeof buf, "%.21Lg", Float128ToLongDouble(v));
            out += buf;
            break;
        }
        case Shape::CHAR8: AppendQuoted(out, reinterpret_cast<const char*>(v), 1); break;
        case Shape::STRING: {
            const auto& s = SlotAs<std::string>(v);
            AppendQuoted(out, s.data(), s.size());
            break;
        }
        case Shape::WSTRING: AppendQuoted(out, SlotAs<std::u16string>(v)); break;
        case Shape::SEQUENCE: {
            const auto& s = SlotAs<SequenceSlot>(v);
            AppendDimensions(out, *layout.element, {s.length()}, 0, s.data());
            break;
        }
        case Shape::ARRAY: AppendDimensions(out, *layout.element, layout.type->dimensions(), 0, v); break;
        case Shape::STRUCTURE: AppendStructure(out, layout, v); break;
        case Shape::UNION: AppendUnion(out, layout, v); break;
    }
}

}  // namespace

std::string ToText(const DynamicDataRef& data) {
    std::string out;
    Append(out, data.layout(), data.storage());
    return out;
}

}  // namespace Quorvel::xtypes
