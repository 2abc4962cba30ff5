#include "DDSXmlValidator.h"

#include "LibxmlUtils.h"
#include "common/Log.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <string_view>

namespace Quorvel::Embedded {
extern const std::string_view kEmbedded_dds_types_xsd;
extern const std::string_view kEmbedded_dds_profiles_xsd;
}  // namespace Quorvel::Embedded

namespace Quorvel::ddsconfig {

namespace {

// Concurrency: the two schemas are parsed once, on first use, by a function-local static
// (initialised exactly once even when several threads arrive together; a failed load is retried
// by the next call), and never change afterwards. libxml2 only reads a parsed schema while
// validating, so every validation shares them and brings its own validation context (which
// holds the mutable state: position, error list). Concurrent validations are therefore safe.
struct EmbeddedSchemas {
  XmlSchemaPtr types;
  XmlSchemaPtr profiles;
};

const EmbeddedSchemas& Schemas() {
  static const EmbeddedSchemas schemas = [] {
    xmlInitParser();
    EmbeddedSchemas loaded;
    loaded.profiles = LibxmlUtils::LoadSchema(Embedded::kEmbedded_dds_profiles_xsd, "dds_profiles");
    loaded.types = LibxmlUtils::LoadSchema(Embedded::kEmbedded_dds_types_xsd, "dds_types");
    return loaded;
  }();
  return schemas;
}

constexpr std::string_view kRootName[] = {"types", "dds"};
constexpr const char* kValidationFailure = "An error occurred while validating the XML document";

bool NameIs(const xmlNode* node, std::string_view name) {
  return std::string_view(reinterpret_cast<const char*>(node->name)) == name;
}

// Runs one validation step (whole document or one element) and folds its outcome into
// `result`. Returns false when libxml2 failed internally.
bool Fold(int outcome, XmlValidationResult& result) {
  if (outcome > 0) result.valid = false;
  if (outcome < 0) {
    result.valid = false;
    result.errors.emplace_back(kValidationFailure);
    return false;
  }
  return true;
}

// Inline type definitions of a <dds> document are held to the type schema, element by element.
bool ValidateInlineTypes(xmlDoc* doc, XmlValidationResult& result) {
  const xmlNode* root = xmlDocGetRootElement(doc);
  for (xmlNode* child = root->children; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE || !NameIs(child, "types")) continue;
    const auto context = LibxmlUtils::NewValidationContext(Schemas().types.get(), result.errors);
    if (!Fold(xmlSchemaValidateOneElement(context.get(), child), result)) return false;
  }
  return true;
}

}  // namespace

XmlValidationResult ValidateDDSXml(const std::filesystem::path& file, DDSFileType kind) {
  LogDebug("validating scheme of " + file.string());
  const EmbeddedSchemas& schemas = Schemas();
  // Parser messages go to our log, not to the process's standard error.
  XmlDocPtr doc(xmlReadFile(file.c_str(), nullptr,
                            XML_PARSE_NONET | XML_PARSE_BIG_LINES | XML_PARSE_NOERROR |
                                XML_PARSE_NOWARNING));
  XmlValidationResult result;
  if (!doc || xmlDocGetRootElement(doc.get()) == nullptr) {
    // The caller reports the lines, so the parser's reason travels with them.
    if (const xmlError* error = xmlGetLastError(); error != nullptr && error->message != nullptr) {
      std::string message = error->message;
      while (!message.empty() && message.back() == '\n') message.pop_back();
      result.errors.push_back("error at line " + std::to_string(error->line) + " : " + message);
    }
    LogError("Error: Failed to parse XML document:" + file.string());
    return result;
  }

  result.valid = true;
  const bool profile = kind == DDSFileType::PROFILE_FILE;
  // The profile schema declares its inner elements globally (so that they are checked inside
  // open content); only <dds> may be the document itself.
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  const std::string_view expectedRoot = kRootName[profile ? 1 : 0];
  if (!NameIs(root, expectedRoot)) {
    result.valid = false;
    result.errors.push_back("error at line " + std::to_string(xmlGetLineNo(root)) +
                            " : root element must be <" + std::string(expectedRoot) + ">");
  }
  const auto context = LibxmlUtils::NewValidationContext(
      profile ? schemas.profiles.get() : schemas.types.get(), result.errors);
  const bool completed = Fold(xmlSchemaValidateDoc(context.get(), doc.get()), result) &&
                         (!profile || ValidateInlineTypes(doc.get(), result));

  if (result.valid) {
    LogDebug("XML document is valid according to the XSD schema: " + file.string());
  } else if (!completed) {
    LogError("An error occurred while validating the XML document.");
  } else {
    std::string lines;
    for (const auto& error : result.errors) lines += "\n" + error;
    LogError("XML document is invalid according to the XSD schema: " + file.string() + lines);
  }
  return result;
}

}  // namespace Quorvel::ddsconfig
