#pragma once

// Fills one DynamicData sample from injection input: a JSON document whose "SampleData"
// holds the sample nested as the dissection writes it (structure members by name, arrays and
// sequences as JSON arrays, a union as "discriminator" plus the selected member). The column
// list of the type is walked in step with the sample, exactly as the dissector walks it, so
// that what a dissected sample's ToJson or ToMap gives is valid input for the same type.
//
// Members the input leaves out keep their defaults (logged); every value is checked and
// parsed by its member's kind, and any bad value ends the fill with a std::runtime_error
// naming the field ("SampleData.pos.x", "SampleData.list[2].name"). With reportUnusedFields,
// input leaves that no member took make the fill fail too.
//
// Arrays of numbers from 0 to 255 may come packed as bytes (a binary value, see ReadJsonFast):
// they go straight into collections of integers, and are read as the arrays they stand for
// everywhere else, so that every result and message is the same as for the array.
//
// One injector serves one sample on the caller's thread; the column list is shared read-only.

#include "dissection/Column.h"
#include "middleware/xtypes/DynamicDataRef.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <list>
#include <set>
#include <string>

namespace Quorvel {

class DynamicDataInjector {
 public:
  // Fills `sample` (a sample of the type `columns` was flattened from) right away.
  DynamicDataInjector(xtypes::DynamicDataRef sample, const nlohmann::ordered_json& input,
                      const ColumnList& columns, bool reportUnusedFields);
  ~DynamicDataInjector();

 private:
  // The aggregate or collection `data`, whose node column is `node` (the header iterator
  // stands just past it), from `input` (null when the input has nothing there).
  void InjectDynamicData(xtypes::DynamicDataRef data, const Column& node,
                         const nlohmann::ordered_json* input, const std::string& name);
  void InjectStructure(xtypes::DynamicDataRef data, const Column& node,
                       const nlohmann::ordered_json* input, const std::string& name);
  void InjectUnion(xtypes::DynamicDataRef data, const Column& node,
                   const nlohmann::ordered_json* input, const std::string& name);
  void InjectCollection(xtypes::DynamicDataRef data, const Column& node,
                        const nlohmann::ordered_json* input, const std::string& name);
  void InjectOneValueArray(xtypes::DynamicDataRef data, const Column& column,
                           const nlohmann::ordered_json& input, const std::string& name);
  // Member `index` of a structure or union, whose column is the current one.
  void InjectMember(xtypes::DynamicDataRef data, std::uint32_t index, xtypes::TypeKind kind,
                    const nlohmann::ordered_json* value, const std::string& name);
  // Parses `text` by `kind` and sets member or element `index` of `data`.
  void InjectSimpleMember(xtypes::DynamicDataRef data, std::uint32_t index, const Column& column,
                          xtypes::TypeKind kind, const std::string& text,
                          const std::string& fieldName);
  void InjectWstring(xtypes::DynamicDataRef data, const Column& column, const std::string& text,
                     std::uint32_t index, const std::string& fieldName);

  // Moves the header iterator past the current column and everything below it, or past
  // every column deeper than `depth`.
  void SkipMember();
  void SkipCollectionRemainder(std::uint64_t depth);
  const Column* Current() const;

  // A packed array (binary value, see ReadJsonFast) as the JSON array it stands for, kept
  // until the fill ends; any other value as it is.
  const nlohmann::ordered_json* Unpacked(const nlohmann::ordered_json* value);

  void Consumed(const std::string& name);
  void ReportUnusedFields(const nlohmann::ordered_json& input) const;

  const ColumnList& columns;
  const bool reportUnusedFields;
  std::size_t headerIter = 1;
  // JSON pointers of every input position a member took (reportUnusedFields only).
  std::set<std::string> consumed;
  std::list<nlohmann::ordered_json> unpacked;
};

}  // namespace Quorvel
