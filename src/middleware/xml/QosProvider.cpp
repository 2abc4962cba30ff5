#include "middleware/xml/QosProvider.h"

#include "common/Log.h"
#include "middleware/xml/XmlTypeReader.h"

#include <filesystem>

namespace Quorvel::xml {

namespace {

TypeLibrary ReadTypes(const QosProviderParams& params) {
    XmlTypeReader reader;
    const std::filesystem::path workingDirectory = std::filesystem::current_path();
    for (size_t i = 0; i < params.string_profile.size(); ++i)
        reader.ReadText(params.string_profile[i], workingDirectory,
                        "string_profile[" + std::to_string(i) + "]");
    for (const std::string& url : params.url_profile) reader.ReadFile(url);
    return reader.BuildLibrary();
}

}  // namespace

QosProvider::QosProvider(QosProviderParams params)
    : params_(std::move(params)), types_(ReadTypes(params_)) {
    VELTRANE_LOG(DEBUG, "QosProvider holds " + std::to_string(types_.size()) + " types");
}

std::vector<std::string> QosProvider::type_libraries() const { return {kAnonymousTypeLibrary}; }

xtypes::DynamicTypePtr QosProvider::type(const std::string& library, const std::string& name) const {
    if (library != kAnonymousTypeLibrary) ThrowLogged("Unknown type library '" + library + "'");
    xtypes::DynamicTypePtr found = types_.Find(name);
    if (!found) ThrowLogged("Unknown type '" + name + "': no type library defines it");
    return found;
}

}  // namespace Quorvel::xml
