#pragma once

// Owns the parsed DDS XML documents of one type reader and knows which files it has read, so
// that a file reached through several includes is read once.

#include <pugixml.hpp>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace Quorvel::xml {

class XmlDocumentStore {
public:
    // Parses `file` and returns its `types` element (the document element of a type document,
    // or the `types` child of a `<dds>` document; empty when it has none). Returns an empty
    // node when the file was read before. `includedFrom` names the including file, if any.
    pugi::xml_node ReadFile(const std::filesystem::path& file, const std::string& includedFrom);
    // Same for a document given as text; `origin` names it in messages.
    pugi::xml_node ReadText(std::string_view text, const std::string& origin);

    // The form of a path used for "read once" and in messages: absolute, normal, symlinks resolved.
    static std::filesystem::path CanonicalPath(const std::filesystem::path& file);

private:
    pugi::xml_node Parse(std::string_view content, const std::string& origin);

    std::vector<std::unique_ptr<pugi::xml_document>> documents_;
    std::set<std::filesystem::path> readFiles_;
};

}  // namespace Quorvel::xml
