#pragma once

// The outputs of one sample, side by side: the JSON document, the flat map of member names to
// value texts, and (when selected) the value line and the fixed-layout row buffer. Written by
// the one worker that dissects the sample, only read after delivery.

#include "dissection/Column.h"
#include "dissection/OutputSettings.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Quorvel {

class Outputter {
 public:
  Outputter(std::uint64_t bufferMaxSize, const ColumnList* columns, OutputSettings settings);
  ~Outputter();
  Outputter(Outputter&&) noexcept;
  Outputter& operator=(Outputter&&) noexcept;

  // One metadata value: raw into the row buffer, `text` into the line ("NULL" when absent),
  // the map under prefix + "." + name and tempJson under name (both only when present).
  // T: int, unsigned char, char, unsigned int, unsigned short, unsigned long, long, long long.
  template <typename T>
  void AddValue(const std::string& name, const std::string& prefix, T value,
                const std::optional<std::string>& text);
  // `raw` is already cut or zero-filled to the member's fixed size.
  void AddValueString(const std::string& name, const std::string& prefix, const std::string& raw,
                      const std::optional<std::string>& text);

  // False (and the first value kept) when the key is already there.
  bool AddValueToMapPrint(std::string key, std::string text);
  void AddValueToLinePrint(std::string text);
  void AddValueToTempJsonPrint(const std::string& name, const std::string& text);
  // Copies `size` bytes at the row buffer's write offset and advances it; a write past the
  // row's end throws. Advancing alone (value null) leaves the bytes zero.
  void WriteToRowBuffer(const void* value, std::uint64_t size);

  nlohmann::ordered_json& SampleJson();
  const nlohmann::ordered_json& SampleJson() const;
  nlohmann::ordered_json& TempJson();

  // The document, compact; invalid UTF-8 raises the JSON library's type error.
  std::string ToJson() const;
  // The document as handed to listeners: invalid UTF-8 replaced, members sorted by name at
  // every level with STANDARDIZED_UNORDERED.
  std::string ToListenerJson() const;
  const std::map<std::string, std::string>& MapPrint() const { return mapPrint; }
  std::map<std::string, std::string> ToMap() const { return mapPrint; }
  const std::vector<std::string>& LinePrint() const { return linePrint; }
  const std::vector<std::uint8_t>& RowBuffer() const { return rowBuffer; }
  std::uint64_t BufferMaxSize() const { return bufferMaxSize; }
  std::uint64_t BufferOffset() const { return bufferOffset; }
  const ColumnList* Columns() const { return columns; }
  const OutputSettings& Settings() const { return settings; }

 private:
  struct JsonDocuments;

  std::uint64_t bufferMaxSize = 0;
  std::uint64_t bufferOffset = 0;
  const ColumnList* columns = nullptr;
  std::unique_ptr<JsonDocuments> json;
  std::vector<std::uint8_t> rowBuffer;
  std::vector<std::string> linePrint;
  std::map<std::string, std::string> mapPrint;
  // The entry written last (an element iterator stays valid when the outputter moves).
  std::optional<std::map<std::string, std::string>::iterator> lastMapEntry;
  OutputSettings settings;
};

}  // namespace Quorvel
