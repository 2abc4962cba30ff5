#include "middleware/xml/XmlDocumentStore.h"

#include "common/Log.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace Quorvel::xml {

namespace {

std::string ReadWholeFile(const std::filesystem::path& file, const std::string& includedFrom) {
    std::error_code ec;
    const bool regular = std::filesystem::is_regular_file(file, ec);
    std::ifstream in(file, std::ios::binary);
    if (!regular || !in) {
        ThrowLogged("Cannot read type file " + file.string() +
                    (includedFrom.empty() ? std::string() : " included from " + includedFrom));
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

size_t LineOf(std::string_view content, ptrdiff_t offset) {
    const auto end = static_cast<size_t>(std::clamp<ptrdiff_t>(offset, 0, content.size()));
    return 1 + static_cast<size_t>(std::count(content.begin(), content.begin() + end, '\n'));
}

}  // namespace

std::filesystem::path XmlDocumentStore::CanonicalPath(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(file, ec);
    if (ec) canonical = std::filesystem::absolute(file).lexically_normal();
    return canonical;
}

pugi::xml_node XmlDocumentStore::ReadFile(const std::filesystem::path& file,
                                          const std::string& includedFrom) {
    const std::filesystem::path path = CanonicalPath(file);
    if (readFiles_.count(path) != 0) {
        VELTRANE_LOG(DEBUG, "Type file " + path.string() + " was read already");
        return {};
    }
    const std::string content = ReadWholeFile(path, includedFrom);
    pugi::xml_node types = Parse(content, path.string());
    readFiles_.insert(path);
    return types;
}

pugi::xml_node XmlDocumentStore::ReadText(std::string_view text, const std::string& origin) {
    return Parse(text, origin);
}

pugi::xml_node XmlDocumentStore::Parse(std::string_view content, const std::string& origin) {
    auto document = std::make_unique<pugi::xml_document>();
    const pugi::xml_parse_result result = document->load_buffer(content.data(), content.size());
    if (!result) {
        ThrowLogged("XML syntax error in " + origin + " at line " +
                    std::to_string(LineOf(content, result.offset)) + ", offset " +
                    std::to_string(result.offset) + ": " + result.description());
    }
    const pugi::xml_node root = document->document_element();
    const std::string_view rootName = root.name();
    pugi::xml_node types;
    if (rootName == "types") {
        types = root;
    } else if (rootName == "dds") {
        types = root.child("types");
    } else {
        ThrowLogged("File " + origin + " is not a DDS type document: its root element is <" +
                    std::string(rootName) + ">, not <types> or <dds>");
    }
    documents_.push_back(std::move(document));
    return types;
}

}  // namespace Quorvel::xml
