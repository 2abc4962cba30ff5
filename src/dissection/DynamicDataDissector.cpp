#include "dissection/DynamicDataDissector.h"

#include "common/Log.h"
#include "dissection/DDSSample.h"
#include "dissection/JsonWriter.h"
#include "dissection/ValueText.h"
#include "middleware/xtypes/DynamicType.h"

#include <charconv>
#include <stdexcept>
#include <type_traits>

namespace Quorvel {

namespace {

using xtypes::TypeKind;

bool IsSignedDiscriminator(TypeKind kind) {
  return kind == TypeKind::INT8 || kind == TypeKind::INT16 || kind == TypeKind::INT32 ||
         kind == TypeKind::INT64;
}

// A discriminator's value within its kind's width (the sample holds it in 64 bits).
std::uint64_t UnsignedDiscriminator(std::int64_t value, TypeKind kind) {
  const std::uint32_t size = xtypes::PrimitiveSize(kind);
  const auto bits = static_cast<std::uint64_t>(value);
  return size == 0 || size >= 8 ? bits : bits & ((std::uint64_t{1} << (8 * size)) - 1);
}

}  // namespace

DynamicDataDissector::DynamicDataDissector(xtypes::DynamicDataRef data, DDSSample& sample)
    : outputter(sample.Output()),
      columns(sample.Columns()),
      settings(outputter.Settings()),
      wantsText(settings.Has(DissectionBitMap::kFlatMap) ||
                settings.Has(DissectionBitMap::kValueLine)),
      json(outputter.BeginJsonMember("SampleData")) {
  const TypeKind kind = data.type_kind();
  if ((kind == TypeKind::STRUCTURE || kind == TypeKind::UNION) && !columns.empty()) {
    DissectDynamicData(data, *columns.front());
    return;
  }
  if (json) json->Null();
  switch (kind) {
    case TypeKind::STRUCTURE:
    case TypeKind::UNION: break;
    case TypeKind::STRING: LogWarning("TOP LEVEL STRING_TYPE N/A"); break;
    case TypeKind::WSTRING: LogWarning("TOP LEVEL WSTRING_TYPE N/A"); break;
    case TypeKind::ENUMERATION: LogWarning("TOP LEVEL ENUMERATION_TYPE N/A"); break;
    case TypeKind::ALIAS: LogWarning("TOP LEVEL ALIAS_TYPE N/A"); break;
    default: LogWarning("TOP LEVEL PRIMITIVE_TYPE N/A"); break;
  }
}

const Column* DynamicDataDissector::Current() const {
  return headerIter < columns.size() ? columns[headerIter].get() : nullptr;
}

bool DynamicDataDissector::IncrementHeaderIter() {
  ++headerIter;
  return headerIter < columns.size();
}

bool DynamicDataDissector::DissectDynamicData(xtypes::DynamicDataRef data, const Column& node) {
  if (Current()) {
    switch (data.type_kind()) {
      case TypeKind::STRUCTURE: return DissectStructure(data, node);
      case TypeKind::UNION: return DissectUnion(data, node);
      case TypeKind::SEQUENCE:
      case TypeKind::ARRAY: return DissectCollection(data, node);
      default: break;
    }
  }
  if (json) json->Null();
  return true;
}

void DynamicDataDissector::DissectKeyedMember(xtypes::DynamicDataRef data, std::uint32_t index,
                                              TypeKind kind, const Column& column, bool keepKey) {
  const std::size_t mark = json ? json->Mark() : 0;
  if (json) json->QuotedKeyText(column.jsonKey);
  const bool hasJson = DissectMember(data, index, kind, false);
  if (json && (!hasJson || !keepKey)) json->Rewind(mark);
}

bool DynamicDataDissector::DissectStructure(xtypes::DynamicDataRef data, const Column& node) {
  // Base types were flattened as further structure nodes on the same path.
  for (const Column* c = Current(); c && c->isNode && c->depth == node.depth &&
                                    c->typeKind == TypeKind::STRUCTURE;
       c = Current())
    IncrementHeaderIter();

  if (json) json->BeginObject();
  const std::vector<xtypes::Member>& members = data.type().Resolve().all_members();
  for (std::uint32_t i = 1; i <= members.size(); ++i) {
    const TypeKind kind = members[i - 1].type->Resolve().kind();
    if (!KindHasColumns(kind)) continue;
    const Column* column = Current();
    if (!column) break;
    if (column->isOptional && !data.member_exists(i)) {
      FillUnsetUnionMember();
      continue;
    }
    DissectKeyedMember(data, i, kind, *column);
  }
  if (json) json->EndObject();
  return true;
}

bool DynamicDataDissector::DissectMember(xtypes::DynamicDataRef data, std::uint32_t index,
                                         TypeKind kind, bool inCollection) {
  const Column& column = *Current();
  if (xtypes::IsAggregationKind(kind) || xtypes::IsCollectionKind(kind)) {
    IncrementHeaderIter();
    return DissectDynamicData(data.loan_value(index), column);
  }
  return DissectPrimitiveMember(data, index, column, inCollection);
}

bool DynamicDataDissector::DissectUnion(xtypes::DynamicDataRef data, const Column& node) {
  const xtypes::DynamicType& unionType = data.type().Resolve();
  const Column& discriminatorColumn = *Current();
  const std::int64_t discriminator = data.discriminator_value();
  if (json) {
    json->BeginObject();
    json->QuotedKeyText(discriminatorColumn.jsonKey);
  }
  InsertDiscriminator(discriminator, discriminatorColumn,
                      unionType.discriminator()->Resolve().kind());

  const std::uint32_t selected = data.selected_member_index();
  if (selected == 0) {
    const TypeKind kind = unionType.discriminator()->Resolve().kind();
    const std::string valueText =
        kind == TypeKind::ENUMERATION || IsSignedDiscriminator(kind)
            ? ValueText::FromSigned(discriminator)
            : ValueText::FromUnsigned(UnsignedDiscriminator(discriminator, kind));
    const std::string error = "Selected Union discriminator " + valueText +
                              " was not found in union " +
                              discriminatorColumn.nestedNameWithoutDiscriminators;
    if (node.isKey) ThrowLogged(error);
    VELTRANE_LOG(WARNING,
                 "Erroneous union discriminator value was provided (possibly due to "
                 "dispose/unregister message) for a NON-KEY field: " +
                     node.nestedNameConcatenated + " - error = " + error +
                     " setting to default value");
  }
  InsertUnionSelectionNotationToBuffer(selected != 0);
  const std::vector<xtypes::Member>& cases = unionType.members();
  for (std::uint32_t k = 1; k <= cases.size(); ++k) {
    const TypeKind kind = cases[k - 1].type->Resolve().kind();
    if (!KindHasColumns(kind)) continue;
    const Column* column = Current();
    if (!column) break;
    if (k != selected) {
      FillUnsetUnionMember();
      continue;
    }
    // A member named like the discriminator does not replace it in the object.
    DissectKeyedMember(data, k, kind, *column,
                       column->memberName != discriminatorColumn.memberName);
  }
  if (json) json->EndObject();
  return true;
}

bool DynamicDataDissector::DissectCollection(xtypes::DynamicDataRef data, const Column& node) {
  const bool isSequence = node.typeKind == TypeKind::SEQUENCE;
  const Column* first = Current();
  // Arrays of three or more dimensions have no element columns.
  if (!node.isNode || !first || first->depth <= node.depth) return false;
  const std::uint32_t count = data.member_count();
  if (!isSequence && IsOneValueColumn(*first)) {
    InsertCollectionLengthNotationToBuffer(count);
    return DissectOneValueArray(data, *first);
  }
  const TypeKind elementKind = node.elementType ? node.elementType->kind() : first->typeKind;
  if (isSequence && elementKind == TypeKind::WSTRING)
    ThrowLogged("SEQUENCE_TYPE of WSTRING_TYPE is not supported");

  if (json) json->BeginArray();
  if (count == 0) {
    FillSequenceRemainder(node.depth);
    InsertCollectionLengthNotationToBuffer(0);
    if (json) json->EndArray();
    return true;
  }
  InsertCollectionLengthNotationToBuffer(count);
  if (isSequence && DissectNumberSequence(data, *first)) {
    IncrementHeaderIter();
    FillSequenceRemainder(node.depth);
    json->EndArray();
    return true;
  }
  if (isSequence) m_sequenceIndexList.push_back(0);
  const std::size_t elementStart = headerIter;
  for (std::uint32_t k = 1; k <= count; ++k) {
    if (isSequence) {
      headerIter = elementStart;
      UpdateLastSequenceIndexList(k - 1);
    }
    if (!Current()) break;
    if (!DissectMember(data, k, elementKind, true) && json) json->Discarded();
  }
  if (isSequence) {
    FillSequenceRemainder(node.depth);
    m_sequenceIndexList.pop_back();
  }
  if (json) json->EndArray();
  return true;
}

bool DynamicDataDissector::DissectNumberSequence(const xtypes::DynamicDataRef& data,
                                                 const Column& element) {
  // The other outputs name or place every element on its own.
  if (!json || wantsText || settings.Has(DissectionBitMap::kRowBuffer) || element.isNode)
    return false;
  switch (element.typeKind) {
    case TypeKind::BYTE: WriteNumbers<std::uint8_t>(data); return true;
    case TypeKind::INT8: WriteNumbers<std::int8_t>(data); return true;
    case TypeKind::INT16: WriteNumbers<std::int16_t>(data); return true;
    case TypeKind::UINT16: WriteNumbers<std::uint16_t>(data); return true;
    case TypeKind::INT32: WriteNumbers<std::int32_t>(data); return true;
    case TypeKind::UINT32: WriteNumbers<std::uint32_t>(data); return true;
    case TypeKind::INT64: WriteNumbers<std::int64_t>(data); return true;
    case TypeKind::UINT64: WriteNumbers<std::uint64_t>(data); return true;
    case TypeKind::FLOAT32: WriteNumbers<float>(data); return true;
    case TypeKind::FLOAT64: WriteNumbers<double>(data); return true;
    default: return false;
  }
}

template <typename T>
void DynamicDataDissector::WriteNumbers(const xtypes::DynamicDataRef& data) {
  json->Numbers(data.numbers<T>());
}

bool DynamicDataDissector::DissectOneValueArray(const xtypes::DynamicDataRef& data,
                                                const Column& column) {
  const std::uint32_t count = data.member_count();
  std::string text;
  text.reserve(count);
  const bool chars = column.typeKind == TypeKind::CHAR8;
  for (std::uint32_t k = 1; k <= count; ++k) {
    if (!data.member_exists(k)) continue;
    text.push_back(chars ? data.value<char>(k) : static_cast<char>(data.value<std::uint8_t>(k)));
  }
  return InsertStringValueToBuffer(text, column);
}

bool DynamicDataDissector::DissectPrimitiveMember(const xtypes::DynamicDataRef& data,
                                                  std::uint32_t index, const Column& column,
                                                  bool inCollection) {
  switch (column.typeKind) {
    case TypeKind::BOOLEAN: return InsertPrimitiveValueToBuffer(data.value<bool>(index), column);
    case TypeKind::BYTE:
      return InsertPrimitiveValueToBuffer(data.value<std::uint8_t>(index), column);
    case TypeKind::INT8:
      return InsertPrimitiveValueToBuffer(data.value<std::int8_t>(index), column);
    case TypeKind::INT16:
      return InsertPrimitiveValueToBuffer(data.value<std::int16_t>(index), column);
    case TypeKind::UINT16:
    case TypeKind::CHAR16:
      return InsertPrimitiveValueToBuffer(data.value<std::uint16_t>(index), column);
    case TypeKind::INT32:
      return InsertPrimitiveValueToBuffer(data.value<std::int32_t>(index), column);
    case TypeKind::UINT32:
      return InsertPrimitiveValueToBuffer(data.value<std::uint32_t>(index), column);
    case TypeKind::INT64:
      return InsertPrimitiveValueToBuffer(data.value<std::int64_t>(index), column);
    case TypeKind::UINT64:
    case TypeKind::BITMASK:
      return InsertPrimitiveValueToBuffer(data.value<std::uint64_t>(index), column);
    case TypeKind::FLOAT32: return InsertPrimitiveValueToBuffer(data.value<float>(index), column);
    case TypeKind::FLOAT64: return InsertPrimitiveValueToBuffer(data.value<double>(index), column);
    case TypeKind::CHAR8: return InsertPrimitiveValueToBuffer(data.value<char>(index), column);
    case TypeKind::ENUMERATION:
      return InsertEnumValueToBuffer(data.value<std::int32_t>(index), column);
    case TypeKind::STRING: return InsertStringValueToBuffer(data.string_view(index), column);
    case TypeKind::WSTRING:
      wideUnits.clear();
      data.get_values(index, wideUnits);
      return InsertStringValueToBuffer(ValueText::NarrowWideUnits(wideUnits), column);
    case TypeKind::FLOAT128:
      ThrowLogged((inCollection ? "FLOAT_128_TYPE N/A in " : "FLOAT_128_TYPE N/A in") +
                  column.nestedNameConcatenated);
    default:
      ThrowLogged("dataTypeKind not identified : " + column.nestedNameConcatenated);
  }
}

void DynamicDataDissector::InsertDiscriminator(std::int64_t discriminator, const Column& column,
                                               TypeKind kind) {
  if (kind == TypeKind::ENUMERATION) {
    InsertEnumValueToBuffer(static_cast<std::int32_t>(discriminator), column);
  } else if (IsSignedDiscriminator(kind)) {
    // Signed kinds keep their sign, so that the output stays valid injection input.
    InsertPrimitiveValueToBuffer(discriminator, column);
  } else {
    InsertPrimitiveValueToBuffer(UnsignedDiscriminator(discriminator, kind), column);
  }
}

template <typename T>
bool DynamicDataDissector::InsertPrimitiveValueToBuffer(T value, const Column& column) {
  std::string text;
  if constexpr (std::is_same_v<T, bool>) {
    const bool asString = settings.booleanFormat == BooleanFormat::STRING;
    if (wantsText) text = asString ? (value ? "TRUE" : "FALSE") : (value ? "1" : "0");
    if (json) asString ? json->String(value ? "TRUE" : "FALSE") : json->Bool(value);
  } else if constexpr (std::is_same_v<T, char>) {
    if (wantsText) text.assign(1, value);
    if (json) json->String(std::string_view(&value, 1));
  } else if constexpr (std::is_same_v<T, float>) {
    if (wantsText) text = ValueText::FromFloat(value);
    if (json) json->Double(static_cast<double>(value));
  } else if constexpr (std::is_same_v<T, double>) {
    if (wantsText) text = ValueText::FromDouble(value);
    if (json) json->Double(value);
  } else if constexpr (std::is_signed_v<T>) {
    if (wantsText) text = ValueText::FromSigned(value);
    if (json) json->Signed(value);
  } else {
    if (wantsText) text = ValueText::FromUnsigned(value);
    if (json) json->Unsigned(value);
  }
  InsertLeaf(column, &value, sizeof value, std::move(text));
  return true;
}

bool DynamicDataDissector::InsertStringValueToBuffer(std::string_view text, const Column& column) {
  if (json) json->String(text);
  if (settings.Has(DissectionBitMap::kRowBuffer)) {
    // Padded (or cut) to the column's size; the outputs keep the whole text.
    std::string padded(text.substr(0, column.bufferSize));
    padded.resize(column.bufferSize, '\0');
    InsertLeaf(column, padded.data(), padded.size(), std::string(text));
  } else {
    InsertLeaf(column, nullptr, 0, wantsText ? std::string(text) : std::string());
  }
  return true;
}

bool DynamicDataDissector::InsertEnumValueToBuffer(std::int32_t value, const Column& column) {
  const EnumOutputFormat format = settings.enumOutputFormat;
  std::string text;
  if (format == EnumOutputFormat::VALUE) {
    if (wantsText) text = ValueText::FromSigned(value);
    if (json) json->Signed(value);
  } else {
    const auto it = column.enumerators.find(value);
    const std::string& name = it == column.enumerators.end() ? std::string() : it->second.name;
    text = format == EnumOutputFormat::NAME
               ? name
               : "(" + ValueText::FromSigned(value) + ") - " + name;
    if (json) json->String(text);
  }
  InsertLeaf(column, &value, sizeof value, std::move(text));
  return true;
}

void DynamicDataDissector::InsertLeaf(const Column& column, const void* raw, std::size_t rawSize,
                                      std::string text) {
  if (settings.Has(DissectionBitMap::kRowBuffer)) outputter.WriteToRowBuffer(raw, rawSize);
  if (settings.Has(DissectionBitMap::kValueLine)) {
    if (settings.Has(DissectionBitMap::kFlatMap))
      outputter.AddValueToLinePrint(text);
    else
      outputter.AddValueToLinePrint(std::move(text));
  }
  if (settings.Has(DissectionBitMap::kFlatMap)) {
    std::string key = ConstructSequenceMemberFullName(column);
    if (!outputter.AddValueToMapPrint(key, std::move(text)))
      LogWarning("duplicate field names in MAP_PRINT under field : " + key);
  }
  IncrementHeaderIter();
}

void DynamicDataDissector::InsertCollectionLengthNotationToBuffer(std::uint32_t count) {
  if (!settings.Has(DissectionBitMap::kRowBuffer)) return;
  const auto length = static_cast<std::uint16_t>(count);
  outputter.WriteToRowBuffer(&length, sizeof length);
}

void DynamicDataDissector::InsertUnionSelectionNotationToBuffer(bool selected) {
  if (!settings.Has(DissectionBitMap::kRowBuffer)) return;
  const std::uint16_t notation = selected ? 1 : 0;
  outputter.WriteToRowBuffer(&notation, sizeof notation);
}

void DynamicDataDissector::SkipColumn() {
  const Column& column = *columns[headerIter];
  if (settings.Has(DissectionBitMap::kRowBuffer))
    outputter.WriteToRowBuffer(nullptr, column.bufferSize);
  if (settings.Has(DissectionBitMap::kValueLine) && !column.isNode)
    outputter.AddValueToLinePrint("NULL");
  ++headerIter;
}

void DynamicDataDissector::FillUnsetUnionMember() {
  const Column* start = Current();
  if (!start) return;
  const std::uint64_t depth = start->depth;
  SkipColumn();
  FillSequenceRemainder(depth);
}

void DynamicDataDissector::FillSequenceRemainder(std::uint64_t depth) {
  for (const Column* c = Current(); c && c->depth > depth; c = Current()) SkipColumn();
}

void DynamicDataDissector::UpdateLastSequenceIndexList(std::uint64_t index) {
  if (m_sequenceIndexList.empty()) {
    LogWarning("m_sequenceIndexList it empty for index " + std::to_string(index));
    return;
  }
  m_sequenceIndexList.back() = index;
}

std::string DynamicDataDissector::ConstructSequenceMemberFullName(const Column& column) const {
  const std::vector<std::string>& pieces = column.flatKeyPieces;
  if (pieces.empty()) return "SampleData." + column.nestedNameWithoutDiscriminators;
  if (pieces.size() == 1) return pieces.front();
  std::size_t length = 0;
  for (const std::string& piece : pieces) length += piece.size() + 22;
  std::string name;
  name.reserve(length);
  name += pieces.front();
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    name += '[';
    if (i - 1 < m_sequenceIndexList.size()) {
      char digits[24];
      const auto end = std::to_chars(digits, digits + sizeof digits, m_sequenceIndexList[i - 1]).ptr;
      name.append(digits, static_cast<std::size_t>(end - digits));
    } else {
      name += 'i';
    }
    name += ']';
    name += pieces[i];
  }
  return name;
}

}  // namespace Quorvel
