#pragma once

// The per-type description: the flattened column list of one data type, lookup tables by
// long member name, and the byte size of one output row. Built once, then read by any number
// of threads without locking (the size hint and the spare texts look after themselves).

#include "common/SpareObjects.h"
#include "dissection/Column.h"
#include "dissection/FlatteningOptions.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace Quorvel {

class TypeProcessor {
 public:
  // Flattens `type`. Throws std::runtime_error (logged) when the type is null or cannot be
  // flattened. `metadataRowSize` is the size of the row's metadata part.
  TypeProcessor(std::string typeName, xtypes::DynamicTypePtr type,
                const FlatteningOptions& options, std::uint32_t metadataRowSize = 0);
  virtual ~TypeProcessor();
  TypeProcessor(const TypeProcessor&) = delete;
  TypeProcessor& operator=(const TypeProcessor&) = delete;

  const std::string& TypeName() const { return typeName; }
  const xtypes::DynamicTypePtr& Type() const { return type; }
  const ColumnList& Columns() const { return columns; }
  std::uint32_t RowBufferSize() const { return rowBufferSize; }

  // The column's bufferSize; 0 (logged) for an unknown name.
  std::uint64_t GetTypeSizeByLongMemberName(const std::string& name) const;
  // The column's kind; NO_TYPE (logged) for an unknown name.
  xtypes::TypeKind GetTypeKindByLongMemberName(const std::string& name) const;

  // The JSON size of the last sample finished, so that the next one reserves its text once
  // rather than growing it; threads may overwrite each other's note, it is only a hint.
  std::size_t JsonSizeHint() const { return jsonSizeHint.load(std::memory_order_relaxed); }
  void NoteJsonSize(std::size_t size) const { jsonSizeHint.store(size, std::memory_order_relaxed); }
  // Used JSON text buffers of this type's samples, for the next samples to write into (the
  // samples share them, so they outlive the processor if a caller keeps a sample).
  const std::shared_ptr<SpareObjects<std::string>>& SpareJsonTexts() const { return spareJsonTexts; }

 private:
  void BuildTables(std::uint32_t metadataRowSize);
  void LogUnknownName(const char* operation, const std::string& name) const;

  std::string typeName;
  xtypes::DynamicTypePtr type;
  std::uint32_t rowBufferSize = 0;
  std::map<std::string, xtypes::TypeKind> longMemberNameToTypeMap;
  std::map<std::string, std::uint64_t> longMemberNameToSizeMap;
  ColumnList columns;
  mutable std::atomic<std::size_t> jsonSizeHint{0};
  const std::shared_ptr<SpareObjects<std::string>> spareJsonTexts =
      std::make_shared<SpareObjects<std::string>>(32);
};

}  // namespace Quorvel
