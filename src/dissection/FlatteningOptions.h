#pragma once

// What flattening a type needs to know besides the type: how char and octet arrays are shown
// and where the type files' annotations are (null when no type files were mined).

#include <quorvel/OutputFormats.h>

namespace Quorvel {

namespace ddsconfig {
struct TypeFileMetadata;
}
class EngineConfig;

struct FlatteningOptions {
  CharArrayFormat charArrayFormat = CharArrayFormat::BYTE;
  ByteArrayFormat byteArrayFormat = ByteArrayFormat::ELEMENT;
  const ddsconfig::TypeFileMetadata* metadata = nullptr;

  static FlatteningOptions From(const EngineConfig& config,
                                const ddsconfig::TypeFileMetadata* metadata);
};

}  // namespace Quorvel
