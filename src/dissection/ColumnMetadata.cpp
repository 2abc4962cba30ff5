#include "dissection/ColumnMetadata.h"

#include "common/Log.h"
#include "ddsconfig/TypeFileMetadata.h"

#include <array>
#include <string_view>

namespace Quorvel::ColumnMetadata {

namespace {

constexpr std::string_view kLogHead = "DissectDynamicTypeRecursive ";

// The engine's own metadata types are flattened without type files behind them.
constexpr std::array<std::string_view, 7> kInternalTypes{
    "PassiveMetadataStruct", "SampleInfoStruct",         "CommonMetadataStruct",
    "IPHeaderStruct",        "UDPHeaderStruct",          "ParticipantDiscoveryType",
    "EndpointDiscoveryType"};
constexpr std::array<std::string_view, 3> kInternalEnumerations{
    "SampleStateKind", "ViewStateKind", "InstanceStateKind"};

bool NamesInternalType(std::string_view key) {
  for (std::string_view name : kInternalTypes)
    if (key.find(name) != std::string_view::npos) return true;
  return false;
}

template <std::size_t N>
bool IsOneOf(std::string_view name, const std::array<std::string_view, N>& names) {
  for (std::string_view candidate : names)
    if (candidate == name) return true;
  return false;
}

std::string_view LastComponent(std::string_view qualified) {
  const std::size_t at = qualified.rfind("::");
  return at == std::string_view::npos ? qualified : qualified.substr(at + 2);
}

ddsconfig::DDSXmlMetadata DescriptionOnly(const std::string& description) {
  ddsconfig::DDSXmlMetadata metadata;
  metadata.description = description;
  return metadata;
}

// A type's own record (structures, unions: description only).
void CompleteNode(Column& node, const std::map<std::string, std::string>& descriptions,
                  std::string_view missSuffix, bool logMiss) {
  const std::string& name = *node.enclosingTypeName;
  if (const auto it = descriptions.find(name); it != descriptions.end()) {
    node.metadata = DescriptionOnly(it->second);
    VELTRANE_LOG(TRACE, std::string(kLogHead) + name + " found in TypeFilesMetadataMap");
  } else if (logMiss) {
    VELTRANE_LOG(WARNING, std::string(kLogHead) + name + std::string(missSuffix));
  }
}

bool CopyMemberMetadata(Column& member, const std::string& key,
                        const ddsconfig::TypeFileMetadata& metadata) {
  const auto it = metadata.members.find(key);
  if (it == metadata.members.end()) return false;
  member.metadata = it->second;
  return true;
}

}  // namespace

void CompleteStructureNode(Column& node, const ddsconfig::TypeFileMetadata* metadata) {
  if (!metadata) return;
  CompleteNode(node, metadata->structures, " struct not found in TypeFilesMetadataMap",
               !IsOneOf(*node.enclosingTypeName, kInternalTypes));
}

void CompleteStructureMember(Column& member, const std::string& structureName,
                             const ddsconfig::TypeFileMetadata* metadata) {
  if (!metadata) return;
  const std::string key = structureName + "::" + member.memberName;
  if (!CopyMemberMetadata(member, key, *metadata) && !NamesInternalType(key))
    VELTRANE_LOG(WARNING, std::string(kLogHead) + key + " member not found in TypeFilesMetadataMap");
}

void CompleteUnionNode(Column& node, const ddsconfig::TypeFileMetadata* metadata) {
  if (!metadata) return;
  CompleteNode(node, metadata->unions, " union not found in TypeFilesMetadataMap", false);
}

void CompleteUnionMember(Column& member, const std::string& unionName,
                         const ddsconfig::TypeFileMetadata* metadata) {
  if (!metadata) return;
  const std::string key = unionName + "::" + member.memberName;
  if (CopyMemberMetadata(member, key, *metadata))
    VELTRANE_LOG(TRACE, key + " found in m_ddsUnionCommentsMap");
}

void CompleteEnumeration(Column& column, const xtypes::DynamicType& enumeration,
                         const ddsconfig::TypeFileMetadata* metadata) {
  const ddsconfig::EnumerationMetadata* enumMetadata = nullptr;
  if (metadata) {
    const auto it = metadata->enumerations.find(enumeration.name());
    if (it != metadata->enumerations.end()) enumMetadata = &it->second;
  }
  if (metadata && !enumMetadata && !IsOneOf(LastComponent(enumeration.name()), kInternalEnumerations)) {
    VELTRANE_LOG(WARNING, std::string(kLogHead) + enumeration.name() +
                              " not found in EnumsMetadataMap");
  }
  const std::string_view defaultLiteral =
      enumMetadata ? LastComponent(enumMetadata->defaultLiteral) : std::string_view();
  column.enumerators.clear();
  for (const xtypes::Enumerator& e : enumeration.enumerators()) {
    Enumerator entry;
    entry.ordinal = e.value;
    entry.name = e.name;
    entry.isDefaultLiteral = enumMetadata && e.name == defaultLiteral;
    if (entry.isDefaultLiteral || (!enumMetadata && column.enumerators.empty()))
      column.defaultEnumerator = entry;
    column.enumerators.emplace(entry.ordinal, std::move(entry));
  }
  if (enumMetadata && !enumMetadata->description.empty() && !column.metadata)
    column.metadata = DescriptionOnly(enumMetadata->description);
}

}  // namespace Quorvel::ColumnMetadata
