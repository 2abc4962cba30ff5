#include "dissection/TypeProcessor.h"

#include "common/Log.h"
#include "dissection/DynamicTypeDissector.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace Quorvel {

TypeProcessor::TypeProcessor(std::string typeName, xtypes::DynamicTypePtr type,
                             const FlatteningOptions& options, std::uint32_t metadataRowSize)
    : typeName(std::move(typeName)), type(std::move(type)) {
  if (!this->type) ThrowLogged(this->typeName + " is null. Cannot process type");
  try {
    DynamicTypeDissector::DissectDynamicType(this->type, columns, options);
    BuildTables(metadataRowSize);
  } catch (const std::exception& e) {
    ThrowLogged(" Error dissecting dynamic type = " + std::string(e.what()) + " for TypeName " +
                this->typeName);
  }
}

TypeProcessor::~TypeProcessor() = default;

void TypeProcessor::BuildTables(std::uint32_t metadataRowSize) {
  std::uint64_t rowSize = 0;
  for (const std::unique_ptr<Column>& column : columns) {
    column->BuildNestedNameConcatenated();
    const std::string& name = column->nestedNameConcatenated;
    // A structure and its base type share one path: the first entry stays.
    if (!longMemberNameToTypeMap.emplace(name, column->typeKind).second)
      VELTRANE_LOG(DEBUG, name + " already in longMemberNameToTypeMap");
    if (!longMemberNameToSizeMap.emplace(name, column->bufferSize).second)
      VELTRANE_LOG(DEBUG, name + " already in longMemberNameToSizeMap");
    rowSize += column->bufferSize;
  }
  rowSize += metadataRowSize;
  // Unbounded strings count their bound value; the row size saturates rather than wraps.
  rowBufferSize = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(rowSize, std::numeric_limits<std::uint32_t>::max()));
}

void TypeProcessor::LogUnknownName(const char* operation, const std::string& name) const {
  VELTRANE_LOG(WARNING, std::string(operation) + " The member :" + name + "Under type: " +
                            typeName + " wasn't found");
}

std::uint64_t TypeProcessor::GetTypeSizeByLongMemberName(const std::string& name) const {
  const auto it = longMemberNameToSizeMap.find(name);
  if (it != longMemberNameToSizeMap.end()) return it->second;
  LogUnknownName("GetTypeSizeByLongMemberName", name);
  return 0;
}

xtypes::TypeKind TypeProcessor::GetTypeKindByLongMemberName(const std::string& name) const {
  const auto it = longMemberNameToTypeMap.find(name);
  if (it != longMemberNameToTypeMap.end()) return it->second;
  LogUnknownName("GetTypeKindByLongMemberName", name);
  return xtypes::TypeKind::NO_TYPE;
}

}  // namespace Quorvel
