#pragma once

// The outputs of one sample, side by side: the JSON text, the flat map of member names to
// value texts, and (when selected) the value line and the fixed-layout row buffer. Written by
// the one worker that dissects the sample and finished there (Finish), only read afterwards.
//
// The JSON is written as text while the sample is walked: the data under "SampleData", then
// the metadata groups, each an object at a path of nested members ("SampleMetaData",
// "DDSSampleInfo"). Consecutive groups share the open part of their paths.

#include "common/SpareObjects.h"
#include "dissection/Column.h"
#include "dissection/JsonWriter.h"
#include "dissection/OutputSettings.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Quorvel {

// The names of one metadata column, made once: its JSON member, its quoted JSON key and its
// flat-map key (prefix + "." + name).
struct OutputName {
  OutputName(std::string_view prefix, std::string_view name);
  std::string name;
  std::string jsonKey;
  std::string mapKey;
};

class Outputter {
 public:
  Outputter(std::uint64_t bufferMaxSize, const ColumnList* columns, OutputSettings settings);
  // Not copied: lastMapEntry points into this outputter's own map (a move keeps the nodes).
  Outputter(const Outputter&) = delete;
  Outputter& operator=(const Outputter&) = delete;
  Outputter(Outputter&&) noexcept = default;
  Outputter& operator=(Outputter&&) noexcept = default;
  // Gives the JSON text's buffer back to the spare texts, if any.
  ~Outputter();

  // One metadata value: raw into the row buffer, `text` into the line ("NULL" when absent),
  // the map and the open JSON group (both only when present). The JSON gets the number with
  // the VALUE enumeration format, otherwise a text (NAME: without its "(2) - " value part).
  // T: int, unsigned char, char, unsigned int, unsigned short, unsigned long, long, long long.
  template <typename T>
  void AddValue(const OutputName& column, T value, std::optional<std::string_view> text);
  // False when AddValue would not read its text beyond its presence: JSON with numbers as
  // values is the only output besides the row buffer.
  bool UsesValueTexts() const {
    return settings.Has(DissectionBitMap::kValueLine) || settings.Has(DissectionBitMap::kFlatMap) ||
           (settings.Has(DissectionBitMap::kJson) && settings.enumOutputFormat != EnumOutputFormat::VALUE);
  }
  // `raw` is already cut or zero-filled to the member's fixed size. `plainText`: the text
  // needs no JSON escaping (see JsonWriter::PlainString).
  void AddValueString(const OutputName& column, std::string_view raw,
                      std::optional<std::string_view> text, bool plainText = false);

  // False (and the first value kept) when the key is already there.
  bool AddValueToMapPrint(std::string key, std::string text);
  void AddValueToLinePrint(std::string text);
  // Copies `size` bytes at the row buffer's write offset and advances it; a write past the
  // row's end throws. Advancing alone (value null) leaves the bytes zero.
  void WriteToRowBuffer(const void* value, std::uint64_t size);

  // The writer positioned on the value of the document's member `name` (open groups closed).
  // Null when JSON output is not selected.
  JsonWriter* BeginJsonMember(std::string_view name);
  // Opens the object at `path` (names with static storage) for AddValue/AddValueString; an
  // object left empty becomes null.
  void BeginJsonGroup(std::initializer_list<std::string_view> path);
  void EndJsonGroup();
  // The group at `path` with its members already written as JSON text (`"a":1,"b":{...}`),
  // given in consecutive parts.
  void AddJsonGroupMembers(std::initializer_list<std::string_view> path,
                           std::initializer_list<std::string_view> members);

  // The room the JSON text takes at once (at least a default that fits most metadata).
  void ReserveJson(std::size_t size) { jsonReserve = size; }
  // Where the JSON text's buffer comes from and goes back to: the texts of one type's samples
  // are about the same size, so a used buffer fits the next sample without an allocation.
  void UseSpareTexts(std::shared_ptr<SpareObjects<std::string>> spare) { spareTexts = std::move(spare); }
  // The document's size so far.
  std::size_t JsonSize() const { return json.Text().size(); }
  // Closes the document and prepares the listeners' text. Called once the sample is complete.
  void Finish();
  // The listeners' text: invalid UTF-8 replaced, members sorted by name at every level with
  // STANDARDIZED_UNORDERED. Only after Finish.
  const std::string& ListenerJson() const;

  // The document, compact; invalid UTF-8 raises the JSON library's type error.
  std::string ToJson() const;
  // As ListenerJson, also before Finish.
  std::string ToListenerJson() const;
  // The document in type order with invalid UTF-8 replaced ("null" when nothing was written).
  std::string DocumentText() const;
  const std::map<std::string, std::string>& MapPrint() const { return mapPrint; }
  std::map<std::string, std::string> ToMap() const { return mapPrint; }
  const std::vector<std::string>& LinePrint() const { return linePrint; }
  const std::vector<std::uint8_t>& RowBuffer() const { return rowBuffer; }
  std::uint64_t BufferMaxSize() const { return bufferMaxSize; }
  std::uint64_t BufferOffset() const { return bufferOffset; }
  const ColumnList* Columns() const { return columns; }
  const OutputSettings& Settings() const { return settings; }

 private:
  void StartDocument();
  void CloseGroupsTo(std::size_t depth);
  std::string ClosingText() const;

  std::uint64_t bufferMaxSize = 0;
  std::uint64_t bufferOffset = 0;
  const ColumnList* columns = nullptr;
  JsonWriter json;
  // Names of the objects open below the document, outermost first: metadata paths are a few
  // names deep, so they live in the outputter rather than in an allocation per sample.
  static constexpr std::size_t kMaxGroupDepth = 8;
  std::array<std::string_view, kMaxGroupDepth> openGroups{};
  std::size_t openDepth = 0;
  std::size_t jsonReserve = 0;
  std::shared_ptr<SpareObjects<std::string>> spareTexts;
  bool finished = false;
  // With STANDARDIZED_UNORDERED, the sorted text; otherwise the listeners get json's text.
  std::string sortedJson;
  std::vector<std::uint8_t> rowBuffer;
  std::vector<std::string> linePrint;
  std::map<std::string, std::string> mapPrint;
  // The entry written last (an element iterator stays valid when the outputter moves).
  std::optional<std::map<std::string, std::string>::iterator> lastMapEntry;
  OutputSettings settings;
};

}  // namespace Quorvel
