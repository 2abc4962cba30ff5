// Full dissection of the codec benchmark's reference sample (about 1 KB, XCDR1 little-endian),
// stage by stage on one core: decode, walk (columns and values, no output), JSON building,
// MAP building, JSON serialization to text, and all of them together as the engine runs them
// per sample. Stage shares follow from the differences between the runs.
// BM_KeyedSeqSample is one captured ddsperf KeyedSeq sample as a passive worker handles it:
// decode, data and metadata columns (sample information, topic, IP and UDP headers), and the
// listeners' JSON text; outputs 0 is the same walk with no output, so the difference is the
// output's own cost.
// BM_InjectKeyedSeq is the other direction, one KeyedSeq sample injected from JSON text as
// InjectMessage takes it, up to the writer: parse, fill, encode and key hash.

#include "codec/ReferenceSample.h"
#include "common/Log.h"
#include "dissection/DDSSample.h"
#include "dissection/DissectedSample.h"
#include "dissection/SampleMetadata.h"
#include "dissection/SampleMetadataDissector.h"
#include "dissection/DynamicDataDissector.h"
#include "dissection/TypeProcessor.h"
#include "middleware/cdr/CdrCodec.h"
#include "engine/core/EngineConfig.h"
#include "injection/DynamicDataInjector.h"
#include "injection/InjectionInput.h"
#include "middleware/xtypes/DynamicData.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

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

// ddsperf's KeyedSeq {uint32 seq; uint32 keyval (key); sequence<octet> baggage}, final, XCDR1.
struct KeyedSeqWorkload {
  explicit KeyedSeqWorkload(std::size_t baggage) {
    const auto member = [](const char* name, xtypes::DynamicTypePtr memberType, bool key) {
      xtypes::Member m;
      m.name = name;
      m.type = std::move(memberType);
      m.key = key;
      return m;
    };
    using xtypes::DynamicType;
    type = DynamicType::Structure(
        "KeyedSeq",
        {member("seq", DynamicType::Primitive(xtypes::TypeKind::UINT32), false),
         member("keyval", DynamicType::Primitive(xtypes::TypeKind::UINT32), true),
         member("baggage", DynamicType::Sequence(DynamicType::Primitive(xtypes::TypeKind::BYTE)),
                false)},
        xtypes::Extensibility::FINAL);
    processor = std::make_unique<TypeProcessor>("KeyedSeq", type, FlatteningOptions{});
    const auto put32 = [this](std::uint32_t value) {
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    bytes = {0x00, 0x01, 0x00, 0x00};  // CDR little-endian
    put32(123456);
    put32(7);
    put32(static_cast<std::uint32_t>(baggage));
    for (std::size_t i = 0; i < baggage; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 37));

    auto info = std::make_shared<DDSSampleInfo>();
    info->sampleState = 2;
    info->viewState = 1;
    info->instanceState = 1;
    info->sourceTimestamp = {1764950400, 123456000};
    info->receptionTimestamp = {1764950400, 123999000};
    info->publicationSequenceNumber = 123457;
    info->receptionSequenceNumber = 123457;
    info->validData = true;
    for (std::size_t i = 0; i < info->sourceGuid.size(); ++i)
      info->sourceGuid[i] = static_cast<std::uint8_t>(0x10 + i);
    auto passive = std::make_shared<SamplePassiveMetadata>();
    passive->ipHeader = {4, 20, 0, 92, 4242, 1, 0, 0, 64, 0xbeef, "127.0.0.1", "127.0.0.1"};
    passive->udpHeader = {50000, 54900, 72, 0xfe3c};
    metadata = std::make_shared<SampleMetadata>();
    metadata->sampleInfo = info;
    metadata->common = SampleCommonMetadata{"DDSPerfRDataKS", 0};
    metadata->passive = passive;
  }

  xtypes::DynamicTypePtr type;
  std::unique_ptr<TypeProcessor> processor;
  std::vector<std::uint8_t> bytes;
  std::shared_ptr<SampleMetadata> metadata;
  EngineConfig config;  // metadata sizes are only read for the row buffer, not built here
};

class BenchSample : public DissectedSample {
 public:
  using DissectedSample::DissectedSample;
  DissectedSampleSource Type() const override { return DissectedSampleSource::PASSIVE; }
};

// args: baggage octets, output bits.
void BM_KeyedSeqSample(benchmark::State& state) {
  // As the engine runs by default: the per-sample trace lines are filtered, not written.
  Log::SetThreshold(LogSeverityLevel::WARNING);
  const KeyedSeqWorkload w(static_cast<std::size_t>(state.range(0)));
  const OutputSettings settings = Outputs(static_cast<std::uint32_t>(state.range(1)));
  xtypes::DynamicData data(w.type);
  std::size_t jsonBytes = 0;
  for (auto _ : state) {
    cdr::from_cdr_buffer(data, w.bytes);
    auto sample = std::make_shared<DDSSample>(*w.processor, settings, w.metadata);
    DynamicDataDissector(data, *sample);
    SampleMetadataDissector::FeedOutputter(*sample, w.config);
    const BenchSample delivered(sample, nullptr, DissectedSampleDataType::USER_DATA);
    if (settings.Has(DissectionBitMap::kJson)) {
      // What a JSON listener receives (the engine hands the text over without a copy).
      std::string text = delivered.Sample()->Output().ToListenerJson();
      jsonBytes = text.size();
      benchmark::DoNotOptimize(text.data());
    }
    benchmark::DoNotOptimize(delivered.Sample()->Output().MapPrint().size());
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["json_bytes"] = static_cast<double>(jsonBytes);
}

// args: baggage octets.
void BM_InjectKeyedSeq(benchmark::State& state) {
  Log::SetThreshold(LogSeverityLevel::WARNING);
  const auto octets = static_cast<std::size_t>(state.range(0));
  const KeyedSeqWorkload w(octets);
  std::string text = "{\"SampleData\":{\"seq\":123456,\"keyval\":7,\"baggage\":[";
  for (std::size_t i = 0; i < octets; ++i) text += (i == 0 ? "" : ",") + std::to_string((i * 37) % 256);
  text += "]}}";
  for (auto _ : state) {
    nlohmann::ordered_json document = injection::ParseInjectionJson(text, true);
    xtypes::DynamicData sample(w.type);
    DynamicDataInjector(sample, document, w.processor->Columns(), false);
    std::vector<std::uint8_t> payload;
    cdr::to_cdr_buffer(sample, payload);
    benchmark::DoNotOptimize(cdr::compute_key_hash(sample, cdr::CdrVersion::XCDR1));
    if (payload != w.bytes) state.SkipWithError("the injected sample's bytes differ");
    injection::ReleaseInjectionDocument(document);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
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
BENCHMARK(BM_KeyedSeqSample)
    ->ArgNames({"octets", "outputs"})
    ->Args({0, 0})
    ->Args({0, DissectionBitMap::kJson})
    ->Args({0, DissectionBitMap::kJson | DissectionBitMap::kFlatMap})
    ->Args({1024, 0})
    ->Args({1024, DissectionBitMap::kJson})
    ->Args({1024, DissectionBitMap::kJson | DissectionBitMap::kFlatMap});
BENCHMARK(BM_InjectKeyedSeq)->ArgName("octets")->Arg(0)->Arg(1024);

}  // namespace
}  // namespace Quorvel::bench

BENCHMARK_MAIN();
