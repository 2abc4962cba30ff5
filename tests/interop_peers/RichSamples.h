#pragma once

#include "CycloneSample.h"

#include <string>
#include <vector>

namespace Quorvel::InteropPeers {

struct NamedSample {
    std::string name;
    CycloneSample sample;
};

template <typename... MakeSample>
std::vector<NamedSample> CollectSamples(MakeSample... makeSample) {
    std::vector<NamedSample> samples;
    (samples.push_back(makeSample()), ...);
    return samples;
}

// Fixed, deterministic samples of each top-level type: zeroes, extremes of every kind, empty
// and full sequences, every union branch including the default one, optionals set and unset.
std::vector<NamedSample> FinalAllSamples();
std::vector<NamedSample> ExtrasSamples();
std::vector<NamedSample> AppendableRecordSamples();
std::vector<NamedSample> MutableRecordSamples();
// The other versions of the last two types (module RichEvolved).
std::vector<NamedSample> EvolvedAppendableRecordSamples();
std::vector<NamedSample> EvolvedMutableRecordSamples();

}  // namespace Quorvel::InteropPeers
