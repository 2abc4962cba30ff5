#pragma once

// Walks one sample and its type's column list in step and writes every value into the
// sample's outputter: the JSON document under "SampleData", the flat map (keys
// "SampleData." + the member's flat name with the real sequence indexes), and, where
// selected, the value line and the row buffer. The column list says where a value goes and
// what it is called; the sample says what it is.
//
// One dissector serves one sample on one thread and is then dropped; the column list is
// shared read-only.

#include "dissection/Column.h"
#include "dissection/OutputSettings.h"
#include "middleware/xtypes/DynamicDataRef.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Quorvel {

class DDSSample;
class Outputter;

class DynamicDataDissector {
 public:
  // Dissects `data` (a sample of the type `sample` was made for) right away. Throws
  // std::runtime_error for what cannot be dissected (long double values, sequences of wide
  // strings, a key union whose discriminator selects nothing); the sample is then dropped.
  DynamicDataDissector(xtypes::DynamicDataRef data, DDSSample& sample);

 private:
  // The JSON of the aggregate `data`, whose node column is `node`; the header iterator stands
  // just past that node.
  nlohmann::ordered_json DissectDynamicData(xtypes::DynamicDataRef data, const Column& node);
  nlohmann::ordered_json DissectStructure(xtypes::DynamicDataRef data, const Column& node);
  nlohmann::ordered_json DissectUnion(xtypes::DynamicDataRef data, const Column& node);
  nlohmann::ordered_json DissectCollection(xtypes::DynamicDataRef data, const Column& node);
  // Member or element `index` of `data`, whose column is the current one.
  nlohmann::ordered_json DissectMember(xtypes::DynamicDataRef data, std::uint32_t index,
                                       xtypes::TypeKind kind, bool inCollection);
  nlohmann::ordered_json DissectPrimitiveMember(const xtypes::DynamicDataRef& data,
                                                std::uint32_t index, const Column& column,
                                                bool inCollection);
  nlohmann::ordered_json DissectOneValueArray(const xtypes::DynamicDataRef& data,
                                              const Column& column);
  nlohmann::ordered_json InsertDiscriminator(std::int64_t discriminator, const Column& column,
                                             xtypes::TypeKind kind);

  template <typename T>
  nlohmann::ordered_json InsertPrimitiveValueToBuffer(T value, const Column& column);
  nlohmann::ordered_json InsertStringValueToBuffer(std::string_view text, const Column& column);
  nlohmann::ordered_json InsertWStringValueToBuffer(const std::vector<std::uint16_t>& units,
                                                    const Column& column);
  nlohmann::ordered_json InsertEnumValueToBuffer(std::int32_t value, const Column& column);
  // The outputs every leaf shares: row buffer, value line, flat map; then the next column.
  void InsertLeaf(const Column& column, const void* raw, std::size_t rawSize, std::string text);
  void InsertCollectionLengthNotationToBuffer(std::uint32_t count);
  void InsertUnionSelectionNotationToBuffer(bool selected);

  // Skip the columns of a member that has no value here (the current column and everything
  // below it), or what is left below a sequence node of depth `depth`.
  void FillUnsetUnionMember();
  void FillSequenceRemainder(std::uint64_t depth);
  void SkipColumn();

  void UpdateLastSequenceIndexList(std::uint64_t index);
  std::string ConstructSequenceMemberFullName(const Column& column) const;
  // The current column, or null when the walk ran past the end of the list.
  const Column* Current() const;
  bool IncrementHeaderIter();

  Outputter& outputter;
  const ColumnList& columns;
  const OutputSettings settings;
  const bool wantsText;
  const bool wantsJson;
  std::size_t headerIter = 1;
  std::vector<std::uint64_t> m_sequenceIndexList;
  std::vector<std::uint16_t> wideUnits;
};

}  // namespace Quorvel
