#pragma once

// Walks one sample and its type's column list in step and writes every value into the
// sample's outputter: the JSON text under "SampleData" (written as the walk goes), the flat map (keys
// "SampleData." + the member's flat name with the real sequence indexes), and, where
// selected, the value line and the row buffer. The column list says where a value goes and
// what it is called; the sample says what it is.
//
// One dissector serves one sample on one thread and is then dropped; the column list is
// shared read-only.

#include "dissection/Column.h"
#include "dissection/OutputSettings.h"
#include "middleware/xtypes/DynamicDataRef.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Quorvel {

class DDSSample;
class JsonWriter;
class Outputter;

class DynamicDataDissector {
 public:
  // Dissects `data` (a sample of the type `sample` was made for) right away. Throws
  // std::runtime_error for what cannot be dissected (long double values, sequences of wide
  // strings, a key union whose discriminator selects nothing); the sample is then dropped.
  DynamicDataDissector(xtypes::DynamicDataRef data, DDSSample& sample);

 private:
  // Each Dissect*/Insert* writes the value into the JSON (when selected) and returns false only
  // for a value that has no JSON form (arrays of three or more dimensions), whose member is
  // then left out. The header iterator stands on the value's column, or just past an
  // aggregate's node column `node`.
  bool DissectDynamicData(xtypes::DynamicDataRef data, const Column& node);
  bool DissectStructure(xtypes::DynamicDataRef data, const Column& node);
  bool DissectUnion(xtypes::DynamicDataRef data, const Column& node);
  bool DissectCollection(xtypes::DynamicDataRef data, const Column& node);
  // Member or element `index` of `data`, whose column is the current one.
  bool DissectMember(xtypes::DynamicDataRef data, std::uint32_t index, xtypes::TypeKind kind,
                     bool inCollection);
  // A member with its key; the key is taken back when the value has no JSON form or
  // `keepKey` is false.
  void DissectKeyedMember(xtypes::DynamicDataRef data, std::uint32_t index,
                          xtypes::TypeKind kind, const Column& column, bool keepKey = true);
  bool DissectPrimitiveMember(const xtypes::DynamicDataRef& data, std::uint32_t index,
                              const Column& column, bool inCollection);
  bool DissectOneValueArray(const xtypes::DynamicDataRef& data, const Column& column);
  // A sequence of numbers when JSON is the only output: its elements written in one run
  // instead of one walk step each. False (nothing written) for any other case.
  bool DissectNumberSequence(const xtypes::DynamicDataRef& data, const Column& element);
  template <typename T>
  void WriteNumbers(const xtypes::DynamicDataRef& data);
  void InsertDiscriminator(std::int64_t discriminator, const Column& column,
                           xtypes::TypeKind kind);

  template <typename T>
  bool InsertPrimitiveValueToBuffer(T value, const Column& column);
  bool InsertStringValueToBuffer(std::string_view text, const Column& column);
  bool InsertEnumValueToBuffer(std::int32_t value, const Column& column);
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
  // The sample's JSON writer; null when JSON output is not selected.
  JsonWriter* json = nullptr;
  std::size_t headerIter = 1;
  std::vector<std::uint64_t> m_sequenceIndexList;
  std::vector<std::uint16_t> wideUnits;
};

}  // namespace Quorvel
