#pragma once

// The XML QoS provider: everything a set of DDS XML documents defines, loaded once at
// construction and immutable afterwards, so lookups from any thread need no lock.
// This holds the type libraries; QoS profiles and participant definitions join it later.

#include "middleware/xml/TypeLibrary.h"

#include <string>
#include <vector>

namespace Quorvel::xml {

struct QosProviderParams {
    // Whole XML documents (<dds> or <types>) given as text; their relative includes resolve
    // against the working directory at construction.
    std::vector<std::string> string_profile;
    // Paths of XML documents; relative includes resolve against each document's directory.
    std::vector<std::string> url_profile;
};

class QosProvider {
public:
    // Name of the library made from the <types> elements of all documents.
    static constexpr const char* kAnonymousTypeLibrary = "";

    // Reads every document; throws std::runtime_error naming the file on any error.
    explicit QosProvider(QosProviderParams params);

    const QosProviderParams& provider_params() const { return params_; }

    // Library names, the anonymous library first.
    std::vector<std::string> type_libraries() const;
    // Throws std::runtime_error when the library or the type is unknown.
    xtypes::DynamicTypePtr type(const std::string& library, const std::string& name) const;
    const TypeLibrary& types() const { return types_; }

private:
    QosProviderParams params_;
    TypeLibrary types_;
};

}  // namespace Quorvel::xml
