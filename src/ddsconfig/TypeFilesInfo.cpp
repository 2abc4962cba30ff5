#include "TypeFilesInfo.h"

#include "DeclarationCompleter.h"
#include "TypeFileMetadata.h"
#include "TypeFilesMetadataExtractor.h"
#include "XmlSourceText.h"
#include "common/Log.h"

#include <fstream>
#include <iterator>
#include <pugixml.hpp>

namespace Quorvel::ddsconfig {

void WalkTypeFile(const std::filesystem::path& file, const std::filesystem::path& baseDirectory,
                  TypeFileMetadata& metadata, const std::string& parseErrorPrefix) {
  std::ifstream in(file, std::ios::binary);
  if (!in) ThrowLogged(parseErrorPrefix + file.string());
  XmlSourceText source(std::string(std::istreambuf_iterator<char>(in), {}));
  pugi::xml_document doc;
  // Comments are kept: they are the descriptions of the declarations.
  const pugi::xml_parse_result parsed = doc.load_buffer(
      source.Text().data(), source.Text().size(), pugi::parse_default | pugi::parse_comments);
  if (!parsed) {
    LogDebug(file.string() + ": " + parsed.description() + " at offset " +
             std::to_string(parsed.offset));
    ThrowLogged(parseErrorPrefix + file.string());
  }
  TypeFilesMetadataExtractor walker(metadata, file, baseDirectory, source);
  doc.traverse(walker);
}

void ExtractTypeFilesInfo(const std::pair<std::filesystem::path, std::filesystem::path>& fileAndBaseDir,
                          TypeFileMetadata& metadata) {
  const auto& [file, baseDirectory] = fileAndBaseDir;
  LogDebug("extracting metadata from dds type file  = " + file.string());
  WalkTypeFile(file, baseDirectory, metadata, "error parsing dds type file (skipping file parsing) ");
  CompletePendingDeclarations(metadata, false);
}

void FinishTypeFilesInfo(TypeFileMetadata& metadata) {
  CompletePendingDeclarations(metadata, true);
}

}  // namespace Quorvel::ddsconfig
