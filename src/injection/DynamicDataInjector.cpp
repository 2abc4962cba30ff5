#include "injection/DynamicDataInjector.h"

#include "common/Log.h"
#include "dissection/CommonHelperFunctions.h"
#include "dissection/JsonMapConversion.h"
#include "injection/DirectValueStore.h"
#include "injection/InjectionValueParsers.h"
#include "middleware/xtypes/DynamicType.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace Quorvel {

namespace {

using nlohmann::ordered_json;
using xtypes::TypeKind;

bool IsNodeKind(TypeKind kind) {
  return xtypes::IsAggregationKind(kind) || xtypes::IsCollectionKind(kind);
}

const ordered_json* FindMember(const ordered_json* object, const std::string& key) {
  if (object == nullptr || !object->is_object()) return nullptr;
  const auto found = object->find(key);
  return found == object->end() ? nullptr : &*found;
}

void LogMissing(const std::string& name) {
  VELTRANE_LOG(DEBUG, "no value provided for field: " + name + " . Assigning default/null value");
}

[[noreturn]] void WrongShape(const char* expected, const std::string& name, const ordered_json& input) {
  throw std::runtime_error(std::string("Expected ") + expected + " for field '" + name +
                           "' .Received : " + input.dump());
}

}  // namespace

DynamicDataInjector::DynamicDataInjector(xtypes::DynamicDataRef sample, const ordered_json& input,
                                         const ColumnList& columns, bool reportUnusedFields)
    : columns(columns), reportUnusedFields(reportUnusedFields) {
  const ordered_json* sampleData = FindMember(&input, "SampleData");
  switch (sample.type_kind()) {
    case TypeKind::STRUCTURE:
    case TypeKind::UNION:
      if (!columns.empty()) InjectDynamicData(sample, *columns.front(), sampleData, "SampleData");
      break;
    case TypeKind::STRING: LogWarning("TOP LEVEL STRING_TYPE N/A"); break;
    case TypeKind::WSTRING: LogWarning("TOP LEVEL WSTRING_TYPE N/A"); break;
    case TypeKind::ENUMERATION: LogWarning("TOP LEVEL ENUMERATION_TYPE N/A"); break;
    case TypeKind::ALIAS: LogWarning("TOP LEVEL ALIAS_TYPE N/A"); break;
    default: LogWarning("TOP LEVEL PRIMITIVE_TYPE N/A"); break;
  }
  if (reportUnusedFields) ReportUnusedFields(input);
}

DynamicDataInjector::~DynamicDataInjector() = default;

const ordered_json* DynamicDataInjector::Unpacked(const ordered_json* value) {
  if (value == nullptr || !value->is_binary()) return value;
  ordered_json& array = unpacked.emplace_back(ordered_json::array());
  auto& elements = array.get_ref<ordered_json::array_t&>();
  elements.reserve(value->get_binary().size());
  for (const std::uint8_t byte : value->get_binary())
    elements.emplace_back(static_cast<ordered_json::number_unsigned_t>(byte));
  return &array;
}

const Column* DynamicDataInjector::Current() const {
  return headerIter < columns.size() ? columns[headerIter].get() : nullptr;
}

void DynamicDataInjector::InjectDynamicData(xtypes::DynamicDataRef data, const Column& node,
                                            const ordered_json* input, const std::string& name) {
  if (input != nullptr) Consumed(name);
  switch (data.type_kind()) {
    case TypeKind::STRUCTURE: return InjectStructure(data, node, Unpacked(input), name);
    case TypeKind::UNION: return InjectUnion(data, node, Unpacked(input), name);
    case TypeKind::SEQUENCE:
    case TypeKind::ARRAY: return InjectCollection(data, node, input, name);
    default: return;
  }
}

void DynamicDataInjector::InjectStructure(xtypes::DynamicDataRef data, const Column& node,
                                          const ordered_json* input, const std::string& name) {
  if (input != nullptr && !input->is_object()) WrongShape("a JSON object", name, *input);
  // Base types were flattened as further structure nodes on the same path.
  for (const Column* c = Current(); c && c->isNode && c->depth == node.depth &&
                                    c->typeKind == TypeKind::STRUCTURE;
       c = Current())
    ++headerIter;

  const std::vector<xtypes::Member>& members = data.type().Resolve().all_members();
  for (std::uint32_t i = 1; i <= members.size(); ++i) {
    const TypeKind kind = members[i - 1].type->Resolve().kind();
    if (!KindHasColumns(kind)) continue;
    const Column* column = Current();
    if (!column) break;
    const std::string memberName = name + "." + column->memberName;
    const ordered_json* value = FindMember(input, column->memberName);
    // An optional member the input leaves out stays absent.
    if (column->isOptional && value == nullptr) {
      LogMissing(memberName);
      SkipMember();
      continue;
    }
    InjectMember(data, i, kind, value, memberName);
  }
}

void DynamicDataInjector::InjectUnion(xtypes::DynamicDataRef data, const Column& node,
                                      const ordered_json* input, const std::string& name) {
  if (input != nullptr && !input->is_object()) WrongShape("a JSON object", name, *input);
  const Column* discriminatorColumn = Current();
  if (!discriminatorColumn) return;
  const std::string discriminatorName = name + ".discriminator";
  const ordered_json* discriminatorValue = Unpacked(FindMember(input, "discriminator"));
  if (discriminatorValue == nullptr) {
    LogMissing(discriminatorName);
    SkipCollectionRemainder(node.depth);
    return;
  }
  const std::string text = CommonHelperFunctions::JsonValueToString(*discriminatorValue, discriminatorName);
  injection::ValidateValue(text, discriminatorName, *discriminatorColumn, discriminatorColumn->typeKind);
  const std::int64_t discriminator =
      discriminatorColumn->typeKind == TypeKind::ENUMERATION
          ? injection::InputToEnumVal(text, discriminatorName, *discriminatorColumn)
          : injection::InputToValue<std::int64_t>(text, discriminatorName);
  data.discriminator_value(discriminator);
  const std::uint32_t selected = data.selected_member_index();
  if (selected == 0) {
    throw std::runtime_error("Invalid discriminator value '" + std::to_string(discriminator) +
                             "' was provided for field " + name);
  }
  Consumed(discriminatorName);
  ++headerIter;

  const std::vector<xtypes::Member>& cases = data.type().Resolve().members();
  for (std::uint32_t k = 1; k <= cases.size(); ++k) {
    const TypeKind kind = cases[k - 1].type->Resolve().kind();
    if (!KindHasColumns(kind)) continue;
    const Column* column = Current();
    if (!column) break;
    if (k != selected) {
      SkipMember();
      continue;
    }
    std::string memberName = name + "." + column->memberName;
    const ordered_json* value = FindMember(input, column->memberName);
    if (value == nullptr && input != nullptr) {
      // The flat map names a case with several labels by its selector ('u.{_d=2/3}b'), and
      // MapToJson nests it by that name's pointer.
      const std::string selectorName = column->unionSelector + column->memberName;
      const ordered_json::json_pointer pointer(CommonHelperFunctions::ConvertStringToJsonPointer(selectorName));
      if (input->contains(pointer)) {
        value = &input->at(pointer);
        memberName = name + "." + selectorName;
      }
    }
    InjectMember(data, k, kind, value, memberName);
  }
}

void DynamicDataInjector::InjectCollection(xtypes::DynamicDataRef data, const Column& node,
                                           const ordered_json* input, const std::string& name) {
  const xtypes::DynamicType& type = data.type().Resolve();
  const bool isSequence = type.kind() == TypeKind::SEQUENCE;
  if (!isSequence && type.dimension_count() > 2) {
    throw std::runtime_error(
        "Cannot process a 3 dimentional array (only 2d is supported). Field -  '" + name);
  }
  const Column* first = Current();
  if (!first || first->depth <= node.depth || input == nullptr) {
    SkipCollectionRemainder(node.depth);
    return;
  }
  if (!isSequence && IsOneValueColumn(*first))
    return InjectOneValueArray(data, *first, *Unpacked(input), name);
  if (!input->is_array() && !input->is_binary()) WrongShape("a JSON array", name, *input);

  // A two-dimensional array comes row-major and flat from the JSON output, and as rows from
  // a flat map ('m[1][2]').
  const ordered_json* elements = input;
  ordered_json rows;
  const bool asRows = type.dimension_count() == 2 && input->is_array() && !input->empty() &&
                      (input->front().is_array() || input->front().is_binary());
  if (asRows) {
    rows = ordered_json::array();
    for (const ordered_json& row : *input) {
      if (!row.is_array() && !row.is_binary()) WrongShape("a JSON array", name, row);
      for (const ordered_json& element : *Unpacked(&row)) rows.push_back(element);
    }
    elements = &rows;
  }
  const bool packed = elements->is_binary();
  const std::size_t count = packed ? elements->get_binary().size() : elements->size();
  if (isSequence) {
    if (type.bound() != xtypes::kUnbounded && count > type.bound()) {
      throw std::runtime_error(
          "User provided a higher seuqence relative to the sequence maximum size. FieldName " +
          name + " .User provided sequence index: " + std::to_string(type.bound()) +
          " .Sequence max size: " + std::to_string(type.bound()));
    }
    data.set_length(static_cast<std::uint32_t>(count));
  } else if (count > type.total_element_count()) {
    throw std::runtime_error("User provided more elements than the array size. FieldName " + name +
                             " .Array size: " + std::to_string(type.total_element_count()));
  }

  const auto elementName = [&](std::size_t k) {
    if (!asRows) return name + "[" + std::to_string(k) + "]";
    const std::uint32_t columnsPerRow = type.dimension(1);
    return name + "[" + std::to_string(k / columnsPerRow) + "][" + std::to_string(k % columnsPerRow) + "]";
  };
  const TypeKind elementKind = type.content_type()->Resolve().kind();
  const bool nodeElements = IsNodeKind(elementKind);
  const std::size_t elementStart = headerIter;
  // Large collections of numbers go straight into the element block; the first element that
  // needs more (a text, a value out of range) and everything after it take the checked way.
  std::size_t k = 0;
  if (!nodeElements && !reportUnusedFields && count != 0 && Current()) {
    const TypeKind kind = Current()->typeKind;
    k = packed ? injection::StoreLeadingBytes(data, kind, elements->get_binary().data(), count)
               : injection::StoreLeadingElements(
                     data, kind, elements->get_ref<const ordered_json::array_t&>().data(), count);
    if (!isSequence) headerIter += k;
    else if (k != 0) headerIter = elementStart + 1;
  }
  if (k == count) return SkipCollectionRemainder(node.depth);
  const ordered_json::array_t& elementValues = Unpacked(elements)->get_ref<const ordered_json::array_t&>();
  for (; k < count; ++k) {
    if (isSequence) headerIter = elementStart;
    const Column* column = Current();
    if (!column) break;
    const ordered_json& element = elementValues[k];
    const auto index = static_cast<std::uint32_t>(k + 1);
    if (nodeElements) {
      // A flat map has no entry for an empty element: MapToJson leaves null in its place.
      if (element.is_null()) Consumed(elementName(k));
      ++headerIter;
      InjectDynamicData(data.loan_value(index), *column, element.is_null() ? nullptr : &element,
                        elementName(k));
      continue;
    }
    if (element.is_null()) throw std::runtime_error("Value of field '" + elementName(k) + " cannot be null");
    // Elements are the bulk of big samples: their names are made only when they are needed.
    if (!reportUnusedFields && injection::StoreDirectly(data, index, column->typeKind, element)) {
      ++headerIter;
      continue;
    }
    const std::string fieldName = elementName(k);
    const std::string text = CommonHelperFunctions::JsonValueToString(element, fieldName);
    injection::ValidateValue(text, fieldName, *column, column->typeKind);
    InjectSimpleMember(data, index, *column, column->typeKind, text, fieldName);
    Consumed(fieldName);
    ++headerIter;
  }
  SkipCollectionRemainder(node.depth);
}

void DynamicDataInjector::InjectOneValueArray(xtypes::DynamicDataRef data, const Column& column,
                                              const ordered_json& input, const std::string& name) {
  const std::string text = CommonHelperFunctions::JsonValueToString(input, name);
  const std::uint32_t count = data.member_count();
  if (text.size() > count) {
    throw std::runtime_error("Provided string value '" + text + "' on field '" + name +
                             " is longer than its maximum '" + std::to_string(count));
  }
  const bool chars = column.typeKind == TypeKind::CHAR8;
  for (std::uint32_t k = 1; k <= text.size(); ++k) {
    if (chars)
      data.value<char>(k, text[k - 1]);
    else
      data.value<std::uint8_t>(k, static_cast<std::uint8_t>(text[k - 1]));
  }
  Consumed(name);
  ++headerIter;
}

void DynamicDataInjector::InjectMember(xtypes::DynamicDataRef data, std::uint32_t index,
                                       TypeKind kind, const ordered_json* value,
                                       const std::string& name) {
  const Column& column = *Current();
  if (IsNodeKind(kind)) {
    // A structure the input leaves out still has its leaves named (and logged) one by one;
    // a union or collection without input keeps its default as a whole.
    if (value == nullptr && kind != TypeKind::STRUCTURE) {
      LogMissing(name);
      SkipMember();
      return;
    }
    ++headerIter;
    InjectDynamicData(data.loan_value(index), column, value, name);
    return;
  }
  if (value == nullptr) {
    LogMissing(name);
    SkipMember();
    return;
  }
  value = Unpacked(value);
  if (!reportUnusedFields && injection::StoreDirectly(data, index, column.typeKind, *value)) {
    ++headerIter;
    return;
  }
  const std::string text = CommonHelperFunctions::JsonValueToString(*value, name);
  injection::ValidateValue(text, name, column, column.typeKind);
  InjectSimpleMember(data, index, column, column.typeKind, text, name);
  Consumed(name);
  ++headerIter;
}

void DynamicDataInjector::InjectSimpleMember(xtypes::DynamicDataRef data, std::uint32_t index,
                                             const Column& column, TypeKind kind,
                                             const std::string& text, const std::string& fieldName) {
  using namespace injection;
  switch (kind) {
    case TypeKind::BOOLEAN: return data.value<bool>(index, InputToValueBool(text, fieldName));
    case TypeKind::BYTE: return data.value(index, InputToValue<std::uint8_t>(text, fieldName));
    case TypeKind::INT8: return data.value(index, InputToValue<std::int8_t>(text, fieldName));
    case TypeKind::INT16: return data.value(index, InputToValue<std::int16_t>(text, fieldName));
    case TypeKind::UINT16: return data.value(index, InputToValue<std::uint16_t>(text, fieldName));
    case TypeKind::INT32: return data.value(index, InputToValue<std::int32_t>(text, fieldName));
    case TypeKind::UINT32: return data.value(index, InputToValue<std::uint32_t>(text, fieldName));
    case TypeKind::INT64: return data.value(index, InputToValue<std::int64_t>(text, fieldName));
    case TypeKind::UINT64:
      return data.value(index, InputToValue<std::uint64_t>(text, fieldName));
    case TypeKind::BITMASK: {
      // Flags past the bit bound would be cut off on the wire: the written sample would differ.
      const std::uint64_t flags = InputToValue<std::uint64_t>(text, fieldName);
      const xtypes::DynamicTypePtr& type = column.DT();
      if (type && type->kind() == TypeKind::BITMASK && type->bit_bound() < 64 &&
          (flags >> type->bit_bound()) != 0) {
        throw std::runtime_error("Out of range value '" + text + "' for field '" + fieldName +
                                 "': the bitmask has " + std::to_string(type->bit_bound()) +
                                 " bits");
      }
      return data.value(index, flags);
    }
    case TypeKind::FLOAT32: return data.value(index, InputToValue<float>(text, fieldName));
    case TypeKind::FLOAT64: return data.value(index, InputToValue<double>(text, fieldName));
    case TypeKind::CHAR8: return data.value(index, InputToValue<char>(text, fieldName));
    case TypeKind::CHAR16: {
      const std::vector<std::uint16_t> units = WidenText(text);
      if (units.size() != 1 || text.empty()) {
        throw std::runtime_error("Out of range value '" + text +
                                 "'. Can only provide a single charecter as input.");
      }
      return data.value<char16_t>(index, static_cast<char16_t>(units.front()));
    }
    case TypeKind::ENUMERATION:
      return data.value<std::int32_t>(index, InputToEnumVal(text, fieldName, column));
    case TypeKind::STRING:
      return data.value<std::string>(
          index, InputToString(text, fieldName, column.DT()->Resolve().bound()));
    case TypeKind::WSTRING: return InjectWstring(data, column, text, index, fieldName);
    case TypeKind::FLOAT128: throw std::runtime_error("FLOAT_128_TYPE N/A");
    default:
      throw std::runtime_error("dataTypeKind not identified : " + fieldName);
  }
}

void DynamicDataInjector::InjectWstring(xtypes::DynamicDataRef data, const Column& column,
                                        const std::string& text, std::uint32_t index,
                                        const std::string& fieldName) {
  const std::vector<std::uint16_t> units = injection::WidenText(text);
  const std::uint32_t bound = column.DT()->Resolve().bound();
  if (bound != xtypes::kUnbounded && units.size() > bound) {
    throw std::runtime_error("Provided string value '" + text + "' on field '" + fieldName +
                             " is longer than its maximum '" + std::to_string(bound));
  }
  data.set_values(index, units);
}

void DynamicDataInjector::SkipMember() {
  const Column* start = Current();
  if (!start) return;
  ++headerIter;
  SkipCollectionRemainder(start->depth);
}

void DynamicDataInjector::SkipCollectionRemainder(std::uint64_t depth) {
  for (const Column* c = Current(); c && c->depth > depth; c = Current()) ++headerIter;
}

void DynamicDataInjector::Consumed(const std::string& name) {
  if (reportUnusedFields) consumed.insert(CommonHelperFunctions::ConvertStringToJsonPointer(name));
}

namespace {

// The JSON pointer of every leaf of `input` (an empty array or object counts as one), named and
// ordered as ordered_json::flatten names and orders them. flatten itself inserts into an ordered
// map whose look-up is linear, which makes it quadratic in the leaves: a map input with many
// left-out elements kept the injector busy for minutes.
std::vector<std::string> LeafPointers(const ordered_json& input) {
  std::vector<std::string> leaves;
  std::vector<std::pair<const ordered_json*, std::string>> pending{{&input, std::string()}};
  while (!pending.empty()) {
    auto [value, pointer] = std::move(pending.back());
    pending.pop_back();
    if (value->is_binary() && !value->get_binary().empty()) {
      for (std::size_t i = 0; i < value->get_binary().size(); ++i)
        leaves.push_back(pointer + "/" + std::to_string(i));
      continue;
    }
    if (!value->is_structured() || value->empty()) {
      leaves.push_back(std::move(pointer));
      continue;
    }
    const size_t first = pending.size();
    if (value->is_array()) {
      for (size_t i = 0; i < value->size(); ++i)
        pending.emplace_back(&(*value)[i], pointer + "/" + std::to_string(i));
    } else {
      for (const auto& [key, member] : value->items()) {
        std::string escaped;
        for (const char c : key) escaped += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
        pending.emplace_back(&member, pointer + "/" + escaped);
      }
    }
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
  }
  return leaves;
}

}  // namespace

void DynamicDataInjector::ReportUnusedFields(const ordered_json& input) const {
  std::string unused;
  for (const std::string& pointer : LeafPointers(input)) {
    if (pointer.empty() || consumed.count(pointer) != 0) continue;
    if (!unused.empty()) unused += " ; ";
    unused += pointer;
  }
  if (!unused.empty())
    throw std::runtime_error("User provided input includes unused fields: " + unused);
}

}  // namespace Quorvel
