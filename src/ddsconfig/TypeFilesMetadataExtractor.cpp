#include "TypeFilesMetadataExtractor.h"

#include "AnnotationValue.h"
#include "DeclarationCompleter.h"
#include "ScopedName.h"
#include "TypeFileMetadata.h"
#include "TypeFilesInfo.h"
#include "ValueConverters.h"
#include "XmlSourceText.h"
#include "common/Log.h"
#include "middleware/xml/XmlTypeNames.h"

#include <array>
#include <cstring>
#include <string_view>

namespace Quorvel::ddsconfig {

namespace {

namespace fs = std::filesystem;

bool IsTrue(std::string_view text) { return text == "true" || text == "1"; }

bool IsNestedType(const pugi::xml_node& node) {
  const std::string_view topLevel = node.attribute("topLevel").value();
  return topLevel == "false" || topLevel == "0" || IsTrue(node.attribute("nested").value());
}

// Inside a <dds> document only its <types> element holds type definitions.
bool InsideTypes(const pugi::xml_node& node) {
  for (pugi::xml_node parent = node.parent(); parent; parent = parent.parent()) {
    if (std::strcmp(parent.name(), "types") == 0) return true;
  }
  return false;
}

// The first enumerator flagged as default literal; only one may be.
void NoteDefaultLiteral(EnumerationMetadata& enumeration, const std::string& enumerationName,
                        const std::string& enumerator, bool flagged) {
  if (!flagged) {
    if (enumeration.defaultLiteral.empty()) enumeration.defaultLiteral = enumerator;
    return;
  }
  if (enumeration.defaultLiteralFlagged) {
    ThrowLogged(" enum " + enumerationName +
                " has more than 1 enumerator without defaultLiteral flag: " + enumerator +
                " .Cannot process file.");
  }
  enumeration.defaultLiteral = enumerator;
  enumeration.defaultLiteralFlagged = true;
}

}  // namespace

TypeFilesMetadataExtractor::TypeFilesMetadataExtractor(TypeFileMetadata& metadata, fs::path file,
                                                       fs::path baseDirectory,
                                                       const XmlSourceText& source)
    : metadata_(metadata),
      file_(std::move(file)),
      baseDirectory_(std::move(baseDirectory)),
      source_(source) {}

bool TypeFilesMetadataExtractor::begin(pugi::xml_node& node) {
  std::error_code ignored;
  file_ = fs::weakly_canonical(fs::absolute(file_), ignored).lexically_normal();
  if (!metadata_.walkedFiles.insert(file_).second) {
    LogDebug(" file " + file_.string() + " already loaded");
    return false;
  }
  const pugi::xml_node root = node.root().find_child(
      [](const pugi::xml_node& child) { return child.type() == pugi::node_element; });
  inlineTypesOnly_ = std::strcmp(root.name(), "dds") == 0;
  return true;
}

bool TypeFilesMetadataExtractor::end(pugi::xml_node&) { return true; }

TypeFilesMetadataExtractor::Handler TypeFilesMetadataExtractor::HandlerOf(const char* elementName) {
  static constexpr std::array<std::pair<std::string_view, Handler>, 14> kHandlers{{
      {"include", &TypeFilesMetadataExtractor::OnInclude},
      {"module", &TypeFilesMetadataExtractor::OnModule},
      {"const", &TypeFilesMetadataExtractor::OnConst},
      {"struct", &TypeFilesMetadataExtractor::OnStruct},
      {"valuetype", &TypeFilesMetadataExtractor::OnStruct},
      {"union", &TypeFilesMetadataExtractor::OnUnion},
      {"enum", &TypeFilesMetadataExtractor::OnEnum},
      {"bitmask", &TypeFilesMetadataExtractor::OnOtherType},
      {"bitset", &TypeFilesMetadataExtractor::OnOtherType},
      {"forward_dcl", nullptr},
      {"enumerator", &TypeFilesMetadataExtractor::OnEnumerator},
      {"member", &TypeFilesMetadataExtractor::OnMember},
      {"discriminator", &TypeFilesMetadataExtractor::OnDiscriminator},
      {"typedef", &TypeFilesMetadataExtractor::OnTypedef},
  }};
  for (const auto& [name, handler] : kHandlers) {
    if (name == elementName) return handler;
  }
  return nullptr;  // directive and everything else: nothing to record
}

bool TypeFilesMetadataExtractor::for_each(pugi::xml_node& node) {
  // Comments are read where they stand (XmlSourceText::DescriptionOf), not in walk order.
  if (node.type() != pugi::node_element) return true;
  // A module's scope ends where the walk comes back to its depth.
  while (!modules_.empty() && modules_.back().second >= depth()) modules_.pop_back();
  if (inlineTypesOnly_ && !InsideTypes(node)) return true;
  if (const Handler handler = HandlerOf(node.name())) (this->*handler)(node);
  return true;
}

std::string TypeFilesMetadataExtractor::Scope() const {
  std::string scope;
  for (const auto& [name, depth] : modules_) scope = Qualify(scope, name);
  return scope;
}

std::string TypeFilesMetadataExtractor::QualifiedName(const pugi::xml_node& node) const {
  return Qualify(Scope(), node.attribute("name").value());
}

std::string TypeFilesMetadataExtractor::ResolveAnnotationValue(std::string value,
                                                               const std::string& type,
                                                               const std::string& scope,
                                                               const std::string& member) const {
  return ddsconfig::ResolveAnnotationValue(metadata_, std::move(value), type, scope, member);
}

void TypeFilesMetadataExtractor::OnInclude(pugi::xml_node& node) {
  const std::string included = node.attribute("file").value();
  if (included.empty()) {
    LogWarning("Include file not defined in include notation. Skipping file loading.");
    return;
  }
  // Relative to the including file first (how type libraries are written), then to the
  // directory the loader works in.
  fs::path path = (file_.parent_path() / included).lexically_normal();
  if (!fs::exists(path) && !baseDirectory_.empty() && fs::exists(baseDirectory_ / included))
    path = (baseDirectory_ / included).lexically_normal();
  if (!fs::exists(path)) ThrowLogged("included file " + path.string() + " doesn't exist");
  LogDebug("extracting metadata from dds type file  = " + path.string());
  WalkTypeFile(path, baseDirectory_, metadata_, "error parsing included file ");
}

void TypeFilesMetadataExtractor::OnModule(pugi::xml_node& node) {
  const std::string name = node.attribute("name").value();
  if (!name.empty()) modules_.emplace_back(name, depth());
}

void TypeFilesMetadataExtractor::OnConst(pugi::xml_node& node) {
  const std::string name = QualifiedName(node);
  if (!metadata_.constants.emplace(name, node.attribute("value").value()).second)
    ThrowLogged("const allready exists " + name);
  VELTRANE_LOG(TRACE, "Added const to map " + name);
}

void TypeFilesMetadataExtractor::AddAggregate(pugi::xml_node& node, const std::string& what,
                                              std::map<std::string, std::string>& descriptions) {
  const std::string name = QualifiedName(node);
  if (!descriptions.emplace(name, source_.DescriptionOf(node)).second)
    ThrowLogged(what + " allready exists " + name);
  metadata_.typesBasicInfo.push_back(TypeBasicInfo{name, file_.string(), IsNestedType(node)});
  VELTRANE_LOG(TRACE, "Added " + what + " to map " + name);
}

void TypeFilesMetadataExtractor::OnStruct(pugi::xml_node& node) {
  AddAggregate(node, "struct", metadata_.structures);
}

void TypeFilesMetadataExtractor::OnUnion(pugi::xml_node& node) {
  AddAggregate(node, "union", metadata_.unions);
}

void TypeFilesMetadataExtractor::OnEnum(pugi::xml_node& node) {
  const std::string name = QualifiedName(node);
  EnumerationMetadata enumeration;
  enumeration.description = source_.DescriptionOf(node);
  enumeration.baseType = node.attribute("baseType").value();
  if (!metadata_.enumerations.emplace(name, std::move(enumeration)).second)
    ThrowLogged("enum allready exists " + name);
  VELTRANE_LOG(TRACE, "Added enum to map " + name);
}

void TypeFilesMetadataExtractor::OnOtherType(pugi::xml_node& node) {
  metadata_.otherTypes.insert(QualifiedName(node));
}

void TypeFilesMetadataExtractor::OnEnumerator(pugi::xml_node& node) {
  const pugi::xml_node parent = node.parent();
  if (std::strcmp(parent.name(), "enum") != 0) return;
  const std::string enumerationName = QualifiedName(parent);
  EnumerationMetadata& enumeration = metadata_.enumerations.at(enumerationName);
  const std::string literal = node.attribute("name").value();
  const std::string name = enumerationName + "::" + literal;

  std::string value = node.attribute("value").value();
  if (value.empty()) {
    value = std::to_string(enumeration.nextValue);
  } else if (!values::IsNumber(value)) {
    value = ResolveAnnotationValue(value, "int32", Scope(), literal);
  }
  try {
    enumeration.nextValue = values::InputToValue<std::int64_t>(value, name) + 1;
  } catch (const std::exception& e) {
    ThrowLogged(e.what());
  }
  if (!metadata_.enumerators.emplace(name, value).second)
    ThrowLogged("enumerator allready exists " + name);
  enumeration.enumerators.push_back(name);
  NoteDefaultLiteral(enumeration, enumerationName, literal,
                     IsTrue(node.attribute("defaultLiteral").value()));
  VELTRANE_LOG(TRACE, "Added enumerator to map " + name);
}

void TypeFilesMetadataExtractor::OnMember(pugi::xml_node& node) {
  PendingDeclaration declaration;
  const pugi::xml_node parent = node.parent();
  if (std::strcmp(parent.name(), "case") == 0) {
    declaration.kind = PendingDeclaration::Kind::UNION_MEMBER;
    declaration.owner = QualifiedName(parent.parent());
  } else if (std::strcmp(parent.name(), "struct") == 0 || std::strcmp(parent.name(), "valuetype") == 0) {
    declaration.owner = QualifiedName(parent);
  } else {
    return;
  }
  declaration.name = node.attribute("name").value();
  AddDeclaration(node, std::move(declaration));
}

void TypeFilesMetadataExtractor::OnDiscriminator(pugi::xml_node& node) {
  if (std::strcmp(node.parent().name(), "union") != 0) return;
  PendingDeclaration declaration;
  declaration.kind = PendingDeclaration::Kind::UNION_MEMBER;
  declaration.owner = QualifiedName(node.parent());
  declaration.name = "discriminator";
  AddDeclaration(node, std::move(declaration));
}

void TypeFilesMetadataExtractor::OnTypedef(pugi::xml_node& node) {
  PendingDeclaration declaration;
  declaration.kind = PendingDeclaration::Kind::TYPEDEF;
  declaration.name = node.attribute("name").value();
  AddDeclaration(node, std::move(declaration));
}

void TypeFilesMetadataExtractor::AddDeclaration(pugi::xml_node& node, PendingDeclaration declaration) {
  const std::string file = file_.string();
  declaration.scope = Scope();
  declaration.type = node.attribute("type").value();
  declaration.nonBasicTypeName = node.attribute("nonBasicTypeName").value();
  DDSXmlMetadata& metadata = declaration.metadata;
  metadata.min = node.attribute("min").value();
  metadata.max = node.attribute("max").value();
  metadata.defaultValue = node.attribute("default").value();
  metadata.unit = node.attribute("unit").value();
  metadata.description = source_.DescriptionOf(node);
  metadata.file = file;
  metadata.line = source_.LineOf(node);

  const bool optional = IsTrue(node.attribute("optional").value());
  if (optional && IsTrue(node.attribute("key").value()))
    ThrowLogged("member " + declaration.name + " (file: " + file + ") cannot be key and optional.");
  metadata.optional = optional ? 1 : 0;
  if (declaration.type != "nonBasic" && !declaration.nonBasicTypeName.empty()) {
    ThrowLogged("Member " + declaration.name + " in struct " +
                (declaration.owner.empty() ? declaration.name : declaration.owner) +
                " cannot have a basic type definition and a nonBasicTypeName definition. File " +
                file);
  }
  if (declaration.type == "nonBasic" && declaration.nonBasicTypeName.empty())
    ThrowLogged("No type found for nonBasicType: " + declaration.name + " in file " + file);
  if (metadata_.parseConstants && declaration.kind == PendingDeclaration::Kind::MEMBER &&
      xml::ConvertTypeDefToEnumDef(declaration.type) == xtypes::TypeKind::BYTE) {
    CopyRos2Constants(declaration.owner);
  }

  if (declaration.kind == PendingDeclaration::Kind::TYPEDEF) {
    declaration.key = Qualify(declaration.scope, declaration.name);
    TypedefMetadata entry{metadata, declaration.type, declaration.scope, false};
    if (!metadata_.typedefs.emplace(declaration.key, std::move(entry)).second)
      ThrowLogged("typedef allready exists " + declaration.key);
    VELTRANE_LOG(TRACE, "Added typedef to map " + declaration.key);
  } else {
    const bool unionMember = declaration.kind == PendingDeclaration::Kind::UNION_MEMBER;
    declaration.key = declaration.owner + "::" + declaration.name;
    if (!metadata_.members.emplace(declaration.key, metadata).second)
      ThrowLogged(std::string(unionMember ? "union member" : "member") + " allready exists " +
                  declaration.key);
    VELTRANE_LOG(TRACE, std::string(unionMember ? "Added union member" : "Added member") +
                            " to map " + declaration.key);
  }
  if (!CompleteDeclaration(metadata_, declaration)) metadata_.pending.push_back(std::move(declaration));
}

// ROS 2 type files put the constants of message Foo into a companion module Foo_Constants;
// copying them under Foo lets Foo's members name them without qualification.
void TypeFilesMetadataExtractor::CopyRos2Constants(const std::string& structure) {
  for (const std::string& scope : {structure + "_Constants", structure + "Constants"}) {
    const std::string prefix = scope + "::";
    bool copied = false;
    for (auto it = metadata_.constants.lower_bound(prefix);
         it != metadata_.constants.end() && it->first.rfind(prefix, 0) == 0; ++it) {
      copied |= metadata_.constants.emplace(structure + "::" + it->first.substr(prefix.size()),
                                            it->second).second;
    }
    if (copied) LogDebug("ROS2 constants under namespace " + scope);
  }
}

}  // namespace Quorvel::ddsconfig
