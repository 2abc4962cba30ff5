#include "middleware/xml/ConstEvaluator.h"

#include "middleware/xml/DeclarationIndex.h"
#include "middleware/xml/DefinitionSite.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

namespace Quorvel::xml {

namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool StartsLikeNumber(std::string_view text) {
    return !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-' ||
                             text[0] == '+');
}

}  // namespace

bool ConstEvaluator::ParseLiteral(std::string_view text, int64_t& value) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    constexpr uint64_t kMaxMagnitude = uint64_t{1} << 63;
    if (magnitude > (negative ? kMaxMagnitude : kMaxMagnitude - 1)) return false;
    value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

int64_t ConstEvaluator::Evaluate(std::string_view text, const DefinitionSite& site) {
    const std::string_view trimmed = Trim(text);
    int64_t value = 0;
    if (ParseLiteral(trimmed, value)) return value;
    if (trimmed.empty() || StartsLikeNumber(trimmed))
        site.Fail("Invalid number '" + std::string(text) + "'");
    const Declaration* constant = index_.FindConst(trimmed, site.scope());
    if (constant == nullptr) site.Fail("Unknown const '" + std::string(trimmed) + "'");
    return ValueOf(*constant, site);
}

int64_t ConstEvaluator::ValueOf(const Declaration& constant, const DefinitionSite& user) {
    if (const auto it = values_.find(&constant); it != values_.end()) return it->second;
    if (std::find(inProgress_.begin(), inProgress_.end(), &constant) != inProgress_.end()) {
        std::string chain;
        for (const Declaration* c : inProgress_) chain += c->qualifiedName + " -> ";
        user.Fail("Circular const definition '" + chain + constant.qualifiedName + "'");
    }
    const DefinitionSite site(constant);
    const pugi::xml_attribute valueText = constant.node.attribute("value");
    if (!valueText) site.Fail("Missing value");
    inProgress_.push_back(&constant);
    const int64_t value = Evaluate(valueText.value(), site);
    inProgress_.pop_back();
    values_.emplace(&constant, value);
    return value;
}

}  // namespace Quorvel::xml
