#include "ExactJson.h"

#include <cmath>
#include <cstring>

namespace Quorvel::golden {

namespace {

using Json = nlohmann::ordered_json;

bool SameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Integers are parsed as unsigned when non-negative and signed otherwise; a value written as
// an integer on one side and a float on the other is the same number only when the float is
// integral and not negative zero.
bool SameNumber(const Json& expected, const Json& actual) {
    if (expected.is_number_float() || actual.is_number_float()) {
        if (expected.is_number_float() && actual.is_number_float())
            return SameDouble(expected.get<double>(), actual.get<double>());
        const Json& floating = expected.is_number_float() ? expected : actual;
        const Json& integral = expected.is_number_float() ? actual : expected;
        const double f = floating.get<double>();
        if (f == 0.0 && std::signbit(f)) return false;
        if (integral.is_number_unsigned()) {
            const uint64_t u = integral.get<uint64_t>();
            return static_cast<double>(u) == f && f < 0x1p64 && static_cast<uint64_t>(f) == u;
        }
        const int64_t i = integral.get<int64_t>();
        return static_cast<double>(i) == f && f < 0x1p63 && static_cast<int64_t>(f) == i;
    }
    if (expected.is_number_unsigned() && actual.is_number_unsigned())
        return expected.get<uint64_t>() == actual.get<uint64_t>();
    // nlohmann parses every non-negative integer as unsigned: a signed one is negative.
    if (expected.is_number_unsigned() || actual.is_number_unsigned()) return false;
    return expected.get<int64_t>() == actual.get<int64_t>();
}

void Compare(const Json& expected, const Json& actual, const std::string& path,
             std::vector<std::string>& differences) {
    const std::string where = path.empty() ? "/" : path;
    if (expected.is_number() && actual.is_number()) {
        if (!SameNumber(expected, actual))
            differences.push_back(where + ": expected " + expected.dump() + ", got " + actual.dump());
        return;
    }
    if (expected.type() != actual.type()) {
        differences.push_back(where + ": expected " + expected.dump() + ", got " + actual.dump());
        return;
    }
    if (expected.is_object()) {
        auto e = expected.begin();
        auto a = actual.begin();
        for (; e != expected.end() && a != actual.end(); ++e, ++a) {
            if (e.key() != a.key()) {
                differences.push_back(where + ": member " + e.key() + " expected, got " + a.key());
                return;
            }
            Compare(e.value(), a.value(), path + "/" + e.key(), differences);
        }
        for (; e != expected.end(); ++e) differences.push_back(where + ": member " + e.key() + " missing");
        for (; a != actual.end(); ++a) differences.push_back(where + ": member " + a.key() + " unexpected");
        return;
    }
    if (expected.is_array()) {
        if (expected.size() != actual.size()) {
            differences.push_back(where + ": " + std::to_string(expected.size()) + " elements expected, got " +
                                  std::to_string(actual.size()));
            return;
        }
        for (size_t i = 0; i < expected.size(); ++i)
            Compare(expected[i], actual[i], path + "/" + std::to_string(i), differences);
        return;
    }
    if (expected != actual)
        differences.push_back(where + ": expected " + expected.dump() + ", got " + actual.dump());
}

}  // namespace

std::vector<std::string> ExactDifferences(const nlohmann::ordered_json& expected,
                                          const nlohmann::ordered_json& actual) {
    std::vector<std::string> differences;
    Compare(expected, actual, "", differences);
    return differences;
}

}  // namespace Quorvel::golden
