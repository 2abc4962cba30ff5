#include "middleware/xml/XmlTypeReader.h"

#include "common/Log.h"
#include "middleware/xml/DeclarationIndex.h"
#include "middleware/xml/TypeResolver.h"
#include "middleware/xml/XmlDocumentStore.h"

#include <pugixml.hpp>

namespace Quorvel::xml {

XmlTypeReader::XmlTypeReader()
    : documents_(std::make_unique<XmlDocumentStore>()),
      declarations_(std::make_unique<DeclarationIndex>()) {}

XmlTypeReader::~XmlTypeReader() = default;

void XmlTypeReader::ReadFile(const std::filesystem::path& file) { ReadFileOnce(file, {}); }

void XmlTypeReader::ReadFileOnce(const std::filesystem::path& file, const std::string& includedFrom) {
    const std::filesystem::path path = XmlDocumentStore::CanonicalPath(file);
    const pugi::xml_node types = documents_->ReadFile(path, includedFrom);
    if (types) Collect(types, {}, std::make_shared<const std::string>(path.string()), path.parent_path());
}

void XmlTypeReader::ReadText(std::string_view text, const std::filesystem::path& baseDirectory,
                             const std::string& origin) {
    const pugi::xml_node types = documents_->ReadText(text, origin);
    if (types) Collect(types, {}, std::make_shared<const std::string>(origin), baseDirectory);
}

void XmlTypeReader::Collect(const pugi::xml_node& parent, const std::string& scope,
                            const std::shared_ptr<const std::string>& origin,
                            const std::filesystem::path& directory) {
    for (const pugi::xml_node& child : parent.children()) {
        if (child.type() != pugi::node_element) continue;
        const std::string_view element = child.name();
        if (element == "include") {
            const std::string_view file = child.attribute("file").value();
            if (file.empty()) ThrowLogged("An <include> without a file attribute in " + *origin);
            ReadFileOnce(directory / file, *origin);
            continue;
        }
        const std::string name = child.attribute("name").value();
        const bool named = element == "module" || element == "const" || TypeResolver::Builds(element);
        if (!named) {
            // directive, forward_dcl and whatever else a real file holds: not ours to read
            VELTRANE_LOG(TRACE, "Ignoring <" + std::string(element) + "> in " + *origin);
            continue;
        }
        if (name.empty() || name.find("::") != std::string::npos) {
            ThrowLogged("A <" + std::string(element) + "> " +
                        (scope.empty() ? std::string("at file level") : "in module '" + scope + "'") +
                        " has no valid name attribute in " + *origin);
        }
        const std::string qualified = scope.empty() ? name : scope + "::" + name;
        if (element == "module")
            Collect(child, qualified, origin, directory);
        else if (element == "const")
            declarations_->AddConst({child, qualified, scope, origin});
        else
            declarations_->AddType({child, qualified, scope, origin});
    }
}

TypeLibrary XmlTypeReader::BuildLibrary() const {
    TypeResolver resolver(*declarations_);
    TypeLibrary library;
    for (const Declaration* declaration : declarations_->Types())
        library.Add(declaration->qualifiedName, resolver.Resolve(*declaration));
    return library;
}

}  // namespace Quorvel::xml
