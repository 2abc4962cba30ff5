#include "GoldenValueShape.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace Quorvel::InteropPeers::test {
namespace {

using xtypes::DynamicType;
using xtypes::TypeKind;

class ShapeChecker {
public:
    std::vector<std::string> problems;

    void Check(const nlohmann::ordered_json& value, const DynamicType& declared,
               const std::string& path) {
        const DynamicType& type = declared.Resolve();
        switch (type.kind()) {
            case TypeKind::STRUCTURE: return CheckStructure(value, type, path);
            case TypeKind::UNION: return CheckUnion(value, type, path);
            case TypeKind::ARRAY: return CheckArray(value, type, 0, path);
            case TypeKind::SEQUENCE: return CheckSequence(value, type, path);
            case TypeKind::STRING: return CheckString(value, type, path);
            case TypeKind::ENUMERATION: return CheckEnumerator(value, type, path);
            case TypeKind::BITMASK: return CheckBitmask(value, type, path);
            default: return CheckPrimitive(value, type.kind(), path);
        }
    }

private:
    void Fail(const std::string& path, const std::string& what) {
        problems.push_back((path.empty() ? "<sample>" : path) + ": " + what);
    }

    static std::string Join(const std::string& path, const std::string& member) {
        return path.empty() ? member : path + "." + member;
    }

    void CheckStructure(const nlohmann::ordered_json& value, const DynamicType& type,
                        const std::string& path) {
        if (!value.is_object()) return Fail(path, "not an object for " + type.name());
        auto key = value.begin();
        for (const xtypes::Member& member : type.all_members()) {
            if (key == value.end() || key.key() != member.name) {
                if (!member.optional) Fail(Join(path, member.name), "missing or out of order");
                continue;
            }
            Check(*key, *member.type, Join(path, member.name));
            ++key;
        }
        for (; key != value.end(); ++key)
            Fail(Join(path, key.key()), "not a member of " + type.name());
    }

    // The discriminator in the golden form: integer, one-character string, or boolean.
    static bool DiscriminatorValue(const nlohmann::ordered_json& value, int64_t& out) {
        if (value.is_boolean()) {
            out = value.get<bool>() ? 1 : 0;
        } else if (value.is_string() && value.get<std::string>().size() == 1) {
            out = static_cast<unsigned char>(value.get<std::string>()[0]);
        } else if (value.is_number_integer()) {
            out = value.get<int64_t>();
        } else {
            return false;
        }
        return true;
    }

    void CheckUnion(const nlohmann::ordered_json& value, const DynamicType& type,
                    const std::string& path) {
        int64_t discriminator = 0;
        if (!value.is_object() || value.empty() || value.begin().key() != "discriminator")
            return Fail(path, "not a union object");
        Check(value["discriminator"], *type.discriminator(), Join(path, "discriminator"));
        if (!DiscriminatorValue(value["discriminator"], discriminator))
            return Fail(path, "unreadable discriminator");
        const int32_t selected = type.SelectCase(discriminator);
        const size_t expectedKeys = selected < 0 ? 1 : 2;
        if (value.size() != expectedKeys) return Fail(path, "wrong number of branches");
        if (selected < 0) return;
        const xtypes::Member& branch = type.all_members().at(static_cast<size_t>(selected));
        const auto member = std::next(value.begin());
        if (member.key() != branch.name)
            return Fail(Join(path, member.key()), "discriminator selects " + branch.name);
        Check(*member, *branch.type, Join(path, branch.name));
    }

    void CheckArray(const nlohmann::ordered_json& value, const DynamicType& type,
                    uint32_t dimension, const std::string& path) {
        const uint32_t length = type.dimension(dimension);
        if (!value.is_array() || value.size() != length)
            return Fail(path, "not an array of " + std::to_string(length));
        for (uint32_t i = 0; i < length; ++i) {
            const std::string element = path + "[" + std::to_string(i) + "]";
            if (dimension + 1 < type.dimension_count()) {
                CheckArray(value[i], type, dimension + 1, element);
            } else {
                Check(value[i], *type.content_type(), element);
            }
        }
    }

    void CheckSequence(const nlohmann::ordered_json& value, const DynamicType& type,
                       const std::string& path) {
        if (!value.is_array()) return Fail(path, "not an array");
        if (type.bound() != xtypes::kUnbounded && value.size() > type.bound())
            Fail(path, "longer than the bound " + std::to_string(type.bound()));
        for (size_t i = 0; i < value.size(); ++i)
            Check(value[i], *type.content_type(), path + "[" + std::to_string(i) + "]");
    }

    void CheckString(const nlohmann::ordered_json& value, const DynamicType& type,
                     const std::string& path) {
        if (!value.is_string()) return Fail(path, "not a string");
        if (type.bound() != xtypes::kUnbounded && value.get<std::string>().size() > type.bound())
            Fail(path, "longer than the bound " + std::to_string(type.bound()));
    }

    void CheckEnumerator(const nlohmann::ordered_json& value, const DynamicType& type,
                         const std::string& path) {
        if (!value.is_number_integer() || type.FindEnumerator(value.get<int32_t>()) == nullptr)
            Fail(path, "no enumerator of " + type.name());
    }

    void CheckBitmask(const nlohmann::ordered_json& value, const DynamicType& type,
                      const std::string& path) {
        if (!value.is_number_unsigned()) return Fail(path, "not an unsigned integer");
        uint64_t allowed = 0;
        for (const xtypes::BitFlag& flag : type.flags()) allowed |= uint64_t{1} << flag.position;
        if ((value.get<uint64_t>() & ~allowed) != 0)
            Fail(path, "bits outside the flags of " + type.name());
    }

    template <typename T>
    void CheckInteger(const nlohmann::ordered_json& value, const std::string& path) {
        const bool fits =
            value.is_number_unsigned()
                ? value.get<uint64_t>() <= static_cast<uint64_t>(std::numeric_limits<T>::max())
                : value.is_number_integer() &&
                      value.get<int64_t>() >= static_cast<int64_t>(std::numeric_limits<T>::min());
        if (!fits) Fail(path, "not an integer in range");
    }

    void CheckPrimitive(const nlohmann::ordered_json& value, TypeKind kind,
                        const std::string& path) {
        switch (kind) {
            case TypeKind::BOOLEAN:
                if (!value.is_boolean()) Fail(path, "not a boolean");
                return;
            case TypeKind::CHAR8:
                if (!value.is_string() || value.get<std::string>().size() != 1)
                    Fail(path, "not one character");
                return;
            case TypeKind::BYTE: return CheckInteger<uint8_t>(value, path);
            case TypeKind::INT8: return CheckInteger<int8_t>(value, path);
            case TypeKind::INT16: return CheckInteger<int16_t>(value, path);
            case TypeKind::UINT16: return CheckInteger<uint16_t>(value, path);
            case TypeKind::INT32: return CheckInteger<int32_t>(value, path);
            case TypeKind::UINT32: return CheckInteger<uint32_t>(value, path);
            case TypeKind::INT64: return CheckInteger<int64_t>(value, path);
            case TypeKind::UINT64: return CheckInteger<uint64_t>(value, path);
            case TypeKind::FLOAT32:
                if (!value.is_number() || static_cast<double>(static_cast<float>(
                                              value.get<double>())) != value.get<double>())
                    Fail(path, "not a float value");
                return;
            case TypeKind::FLOAT64:
                if (!value.is_number()) Fail(path, "not a number");
                return;
            default: Fail(path, "kind not used by the rich type");
        }
    }
};

}  // namespace

std::vector<std::string> ShapeProblems(const nlohmann::ordered_json& value,
                                       const xtypes::DynamicType& type) {
    ShapeChecker checker;
    checker.Check(value, type, "");
    return std::move(checker.problems);
}

}  // namespace Quorvel::InteropPeers::test
