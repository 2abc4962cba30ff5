#include "LibxmlUtils.h"

#include "common/Log.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace Quorvel::ddsconfig {

namespace {

// libxml2 messages are short; longer ones are cut rather than allocated.
constexpr std::size_t kMaxErrorMessage = 2048;

struct ParserContextDeleter {
  void operator()(xmlSchemaParserCtxt* context) const noexcept { xmlSchemaFreeParserCtxt(context); }
};

}  // namespace

void XmlSchemaDeleter::operator()(_xmlSchema* schema) const noexcept { xmlSchemaFree(schema); }

void XmlValidationContextDeleter::operator()(_xmlSchemaValidCtxt* context) const noexcept {
  xmlSchemaFreeValidCtxt(context);
}

void XmlDocDeleter::operator()(_xmlDoc* doc) const noexcept { xmlFreeDoc(doc); }

XmlSchemaPtr LibxmlUtils::LoadSchema(std::string_view xsdText, const std::string& schemaName) {
  LogDebug("LibxmlUtils::LoadSchema " + schemaName);
  // The schema document is only needed while the parser builds the schema from it.
  XmlDocPtr xsdDoc(xmlReadMemory(xsdText.data(), static_cast<int>(xsdText.size()),
                                 (schemaName + ".xsd").c_str(), nullptr,
                                 XML_PARSE_NONET | XML_PARSE_NOERROR));
  if (!xsdDoc) ThrowLogged("Error: Failed to load xsd document");
  std::unique_ptr<xmlSchemaParserCtxt, ParserContextDeleter> parser(
      xmlSchemaNewDocParserCtxt(xsdDoc.get()));
  if (!parser) ThrowLogged("Error: Failed to create schema parser context");
  XmlSchemaPtr schema(xmlSchemaParse(parser.get()));
  if (!schema) ThrowLogged("Error: Failed to parse schema");
  return schema;
}

XmlValidationContextPtr LibxmlUtils::NewValidationContext(_xmlSchema* schema,
                                                          std::vector<std::string>& errors) {
  XmlValidationContextPtr context(xmlSchemaNewValidCtxt(schema));
  if (!context) ThrowLogged("Error: Failed to create validation context");
  xmlSchemaSetValidErrors(context.get(), &LibxmlUtils::xsdErrorHandler,
                          &LibxmlUtils::xsdErrorHandler, &errors);
  return context;
}

void LibxmlUtils::xsdErrorHandler(void* context, const char* format, ...) {
  char buffer[kMaxErrorMessage];
  va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  std::string message(buffer, written < 0 ? 0 : std::min<std::size_t>(written, sizeof buffer - 1));
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  // libxml2 records the error (with its line) before it calls this handler; the record is
  // per thread, so concurrent validations do not see each other's lines.
  const xmlError* last = xmlGetLastError();
  const int line = last != nullptr ? last->line : 0;
  static_cast<std::vector<std::string>*>(context)->push_back(
      "error at line " + std::to_string(line) + " : " + message);
}

}  // namespace Quorvel::ddsconfig
