// Full dissection of the codec benchmark's reference sample (about 1 KB, XCDR1 little-endian),
// stage by stage on one core: decode, walk (columns and values, no output), JSON building,
// MAP building, JSON serialization to text, and all of them together as the engine runs them
// per sample. Stage shares follow from the differences between the runs.

#include "codec/ReferenceSample.h"
#include "dissection/DDSSample.h"
#include "dissection/DynamicDataDissector.h"
#include "dissection/TypeProcessor.h"
#include "middleware/cdr/CdrCodec.h"
#include "middleware/xtypes/DynamicData.h"

#include <benchmark/benchmark.h>

namespace Quorvel::bench {
namespace {

struct Workload {
  xtypes::DynamicTypePtr type = ReferenceType();
  std::vector<uint8_t> bytes = ReferencePayload();
  TypeProcessor processor{"Reference", type, FlatteningOptions{}};
};

const Workload& Reference() {
  static const Workload workload;
  return workload;
}

OutputSettings Outputs(std::uint32_t bits) {
  return OutputSettings{DissectionBitMap(bits), BooleanFormat::NUMERIC, EnumOutputFormat::VALUE,
                        FieldsOrdering::TYPE_BASED_ORDERING};
}

void Count(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Reference().bytes.size()));
}

void BM_Decode(benchmark::State& state) {
  const Workload& w = Reference();
  xtypes::DynamicData data(w.type);
  for (auto _ : state) {
    cdr::from_cdr_buffer(data, w.bytes);
    benchmark::ClobberMemory();
  }
  Count(state);
}

// Dissection of an already decoded sample with the given outputs (0: the walk alone).
void BM_Dissect(benchmark::State& state) {
  const Workload& w = Reference();
  xtypes::DynamicData data(w.type);
  cdr::from_cdr_buffer(data, w.bytes);
  const OutputSettings settings = Outputs(static_cast<std::uint32_t>(state.range(0)));
  for (auto _ : state) {
    DDSSample sample(w.processor, settings);
    DynamicDataDissector(data, sample);
    benchmark::DoNotOptimize(sample.Output().MapPrint().size());
  }
  Count(state);
}

void BM_SerializeJson(benchmark::State& state) {
  const Workload& w = Reference();
  xtypes::DynamicData data(w.type);
  cdr::from_cdr_buffer(data, w.bytes);
  DDSSample sample(w.processor, Outputs(DissectionBitMap::kJson));
  DynamicDataDissector(data, sample);
  for (auto _ : state) {
    std::string text = sample.Output().ToJson();
    benchmark::DoNotOptimize(text.data());
  }
  Count(state);
}

// What the engine does per sample: decode, dissect into JSON and MAP, JSON text.
void BM_Full(benchmark::State& state) {
  const Workload& w = Reference();
  xtypes::DynamicData data(w.type);
  const OutputSettings settings = Outputs(DissectionBitMap::kJson | DissectionBitMap::kFlatMap);
  std::size_t mapEntries = 0;
  std::size_t jsonBytes = 0;
  for (auto _ : state) {
    cdr::from_cdr_buffer(data, w.bytes);
    DDSSample sample(w.processor, settings);
    DynamicDataDissector(data, sample);
    std::string text = sample.Output().ToJson();
    benchmark::DoNotOptimize(text.data());
    mapEntries = sample.Output().MapPrint().size();
    jsonBytes = text.size();
  }
  Count(state);
  state.counters["map_entries"] = static_cast<double>(mapEntries);
  state.counters["json_bytes"] = static_cast<double>(jsonBytes);
}

BENCHMARK(BM_Decode);
BENCHMARK(BM_Dissect)
    ->ArgName("outputs")
    ->Arg(0)
    ->Arg(DissectionBitMap::kJson)
    ->Arg(DissectionBitMap::kFlatMap)
    ->Arg(DissectionBitMap::kJson | DissectionBitMap::kFlatMap);
BENCHMARK(BM_SerializeJson);
BENCHMARK(BM_Full);

}  // namespace
}  // namespace Quorvel::bench

BENCHMARK_MAIN();
