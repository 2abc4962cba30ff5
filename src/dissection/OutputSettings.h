#pragma once

// The output choices every sample is built with, copied out of the engine configuration once
// per processor so that the per-sample path reads plain values.

#include "engine/core/DissectionBitMap.h"

#include <quorvel/OutputFormats.h>

namespace Quorvel {

class EngineConfig;

struct OutputSettings {
  DissectionBitMap outputs;
  BooleanFormat booleanFormat = BooleanFormat::NUMERIC;
  EnumOutputFormat enumOutputFormat = EnumOutputFormat::VALUE;
  FieldsOrdering fieldsOrdering = FieldsOrdering::TYPE_BASED_ORDERING;

  bool Has(std::uint32_t option) const { return outputs.TestDissectionOptions(option); }

  static OutputSettings From(const EngineConfig& config);
};

}  // namespace Quorvel
