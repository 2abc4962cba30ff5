#pragma once

// Re-orders the members of every object of a compact JSON text by name (plain byte order of
// the unescaped names, the first of equal names kept), leaving arrays and values as they are.
// Works on the text the dissection wrote, so a sample needs no document to be sorted.

#include <string>
#include <string_view>

namespace Quorvel::JsonMemberSorter {

// `json` must be well-formed compact JSON (as JsonWriter writes it); `out` is overwritten.
void SortMembersByName(std::string_view json, std::string& out);

}  // namespace Quorvel::JsonMemberSorter
