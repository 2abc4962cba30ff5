#pragma once

// Reads DDS XML type documents (root <types>, or the <types> element of a <dds> document)
// into a type library. Documents are first collected (includes followed, each file once),
// then resolved together, so that a type may refer to one that a later document declares.
//
//   XmlTypeReader reader;
//   reader.ReadFile("types/track.xml");
//   reader.ReadFile("types/sensors.xml");
//   TypeLibrary library = reader.BuildLibrary();
//
// Every failure is a std::runtime_error naming the file (and the type and member).

#include "middleware/xml/TypeLibrary.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace pugi {
class xml_node;
}

namespace Quorvel::xml {

class DeclarationIndex;
class XmlDocumentStore;

class XmlTypeReader {
public:
    XmlTypeReader();
    ~XmlTypeReader();
    XmlTypeReader(const XmlTypeReader&) = delete;
    XmlTypeReader& operator=(const XmlTypeReader&) = delete;

    // A file read before (directly or through an include) is not read again.
    void ReadFile(const std::filesystem::path& file);
    // A document given as text; its relative includes resolve against `baseDirectory`.
    void ReadText(std::string_view text, const std::filesystem::path& baseDirectory,
                  const std::string& origin = "XML text");

    // Builds every type collected so far.
    TypeLibrary BuildLibrary() const;

private:
    void ReadFileOnce(const std::filesystem::path& file, const std::string& includedFrom);
    void Collect(const pugi::xml_node& parent, const std::string& scope,
                 const std::shared_ptr<const std::string>& origin,
                 const std::filesystem::path& directory);

    std::unique_ptr<XmlDocumentStore> documents_;
    std::unique_ptr<DeclarationIndex> declarations_;
};

}  // namespace Quorvel::xml
