#include "dissection/FlatteningOptions.h"

#include "engine/core/EngineConfig.h"

namespace Quorvel {

FlatteningOptions FlatteningOptions::From(const EngineConfig& config,
                                          const ddsconfig::TypeFileMetadata* metadata) {
  return FlatteningOptions{config.charArrayFormat, config.byteArrayFormat, metadata};
}

}  // namespace Quorvel
