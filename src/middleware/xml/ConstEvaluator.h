#pragma once

// Turns the integer texts of type files (bounds, dimensions, enumerator values, union labels)
// into numbers: a literal, or the name of a const, itself possibly defined by another const.

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Quorvel::xml {

class DeclarationIndex;
class DefinitionSite;
struct Declaration;

class ConstEvaluator {
public:
    explicit ConstEvaluator(const DeclarationIndex& index) : index_(index) {}

    // A decimal or "0x" hexadecimal literal with optional sign, or a const name looked up from
    // the site's module outwards. Throws, naming the site, when neither.
    int64_t Evaluate(std::string_view text, const DefinitionSite& site);

    // Parses a literal only; false when `text` is not one.
    static bool ParseLiteral(std::string_view text, int64_t& value);

private:
    int64_t ValueOf(const Declaration& constant, const DefinitionSite& user);

    const DeclarationIndex& index_;
    std::unordered_map<const Declaration*, int64_t> values_;
    std::vector<const Declaration*> inProgress_;
};

}  // namespace Quorvel::xml
