#pragma once

// Thin RAII layer over libxml2's XML Schema support. A parsed schema is immutable and may be
// shared by threads; a validation context carries per-validation state (the error list) and
// must belong to one validation at a time, so callers create one per document.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlSchema;
struct _xmlSchemaValidCtxt;
struct _xmlDoc;

namespace Quorvel::ddsconfig {

struct XmlSchemaDeleter {
  void operator()(_xmlSchema* schema) const noexcept;
};
struct XmlValidationContextDeleter {
  void operator()(_xmlSchemaValidCtxt* context) const noexcept;
};
struct XmlDocDeleter {
  void operator()(_xmlDoc* doc) const noexcept;
};

using XmlSchemaPtr = std::unique_ptr<_xmlSchema, XmlSchemaDeleter>;
using XmlValidationContextPtr = std::unique_ptr<_xmlSchemaValidCtxt, XmlValidationContextDeleter>;
using XmlDocPtr = std::unique_ptr<_xmlDoc, XmlDocDeleter>;

class LibxmlUtils {
 public:
  // Parses an XSD text. Throws "Error: Failed to load xsd document", "Error: Failed to create
  // schema parser context" or "Error: Failed to parse schema" (logged first).
  static XmlSchemaPtr LoadSchema(std::string_view xsdText, const std::string& schemaName);

  // A fresh validation context over `schema` whose errors and warnings are appended to
  // `errors` (which must outlive the context). Throws "Error: Failed to create validation
  // context".
  static XmlValidationContextPtr NewValidationContext(_xmlSchema* schema,
                                                      std::vector<std::string>& errors);

  // libxml2's validity error and warning callback: appends "error at line N : message" to
  // the std::vector<std::string> passed as `context`.
  static void xsdErrorHandler(void* context, const char* format, ...);
};

}  // namespace Quorvel::ddsconfig
