#pragma once

// Walks one type file (or the <types> of a <dds> file) and records constants, types,
// enumerators, typedefs and member annotations into a TypeFileMetadata. Included files are
// walked where the include stands, each file at most once per TypeFileMetadata.

#include <pugixml.hpp>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace Quorvel::ddsconfig {

struct TypeFileMetadata;
struct PendingDeclaration;
class XmlSourceText;

class TypeFilesMetadataExtractor : public pugi::xml_tree_walker {
 public:
  TypeFilesMetadataExtractor(TypeFileMetadata& metadata, std::filesystem::path file,
                             std::filesystem::path baseDirectory, const XmlSourceText& source);

  bool begin(pugi::xml_node& node) override;
  bool for_each(pugi::xml_node& node) override;
  bool end(pugi::xml_node& node) override;

  std::string ResolveAnnotationValue(std::string value, const std::string& type,
                                     const std::string& scope, const std::string& member) const;

 private:
  using Handler = void (TypeFilesMetadataExtractor::*)(pugi::xml_node&);
  static Handler HandlerOf(const char* elementName);

  void OnInclude(pugi::xml_node& node);
  void OnModule(pugi::xml_node& node);
  void OnConst(pugi::xml_node& node);
  void OnStruct(pugi::xml_node& node);
  void OnUnion(pugi::xml_node& node);
  void OnEnum(pugi::xml_node& node);
  void OnOtherType(pugi::xml_node& node);
  void OnEnumerator(pugi::xml_node& node);
  void OnMember(pugi::xml_node& node);
  void OnDiscriminator(pugi::xml_node& node);
  void OnTypedef(pugi::xml_node& node);

  std::string Scope() const;
  std::string QualifiedName(const pugi::xml_node& node) const;
  void AddAggregate(pugi::xml_node& node, const std::string& what,
                    std::map<std::string, std::string>& descriptions);
  void AddDeclaration(pugi::xml_node& node, PendingDeclaration declaration);
  void CopyRos2Constants(const std::string& structure);

  TypeFileMetadata& metadata_;
  std::filesystem::path file_;
  std::filesystem::path baseDirectory_;
  const XmlSourceText& source_;
  std::vector<std::pair<std::string, int>> modules_;  // name, walker depth of its element
  bool inlineTypesOnly_ = false;                       // a <dds> document: only its <types>
};

}  // namespace Quorvel::ddsconfig
