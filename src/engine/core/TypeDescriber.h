#pragma once

// Builds the public description of one type (TypeInfo, one Element per flattened column) from
// a fresh TypeProcessor. Nothing is cached: each call flattens the type again.

#include <quorvel/TypeDescription.h>

#include <string>

namespace Quorvel {

class EngineConfig;

// Throws std::runtime_error (logged) " Error dissecting dynamic type = <name>. Error = ..." when
// the type cannot be found or flattened, and " Error intropsecting type = <name>..." when an
// element cannot be built.
TypeInfo IntrospectTypeInfo(const std::string& typeName, const EngineConfig& config);

}  // namespace Quorvel
