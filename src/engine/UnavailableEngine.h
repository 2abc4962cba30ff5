#pragma once

#include "engine/core/DDSEngine.h"

namespace Quorvel {

// Stands in for the engine of a mode that no creator serves in this build. Its Init still
// loads the DDS XML configuration, so that a configuration error is reported as such, and
// then fails, naming the mode.
class UnavailableEngine : public DDSEngine {
 public:
  using DDSEngine::DDSEngine;

  void Init() override;
  void Run() override;
  void Terminate() override;
};

}  // namespace Quorvel
