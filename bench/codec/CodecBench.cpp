// Decode and encode throughput of the reference sample (about 1 KB, XCDR1 little-endian),
// side by side with memcpy of the same bytes (the limit) and Fast DDS 2.9's dynamic-type
// deserialization into its DynamicData (the peer). Bytes processed = payload size.

#include "codec/FastDdsReference.h"
#include "codec/ReferenceSample.h"
#include "middleware/cdr/CdrCodec.h"
#include "middleware/xtypes/DataText.h"
#include "middleware/xtypes/DynamicData.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <stdexcept>

namespace Quorvel::bench {
namespace {

struct Workload {
    xtypes::DynamicTypePtr type = ReferenceType();
    std::vector<uint8_t> bytes;

    Workload() {
        xtypes::DynamicData sample(type);
        FillReference(sample);
        bytes = cdr::to_cdr_buffer(sample, {cdr::CdrVersion::XCDR1, cdr::ByteOrder::LITTLE});
    }
};

const Workload& Reference() {
    static const Workload workload;
    return workload;
}

void BM_Memcpy(benchmark::State& state) {
    const auto& bytes = Reference().bytes;
    std::vector<uint8_t> target(bytes.size());
    for (auto _ : state) {
        std::memcpy(target.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.counters["payload_bytes"] = static_cast<double>(bytes.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_DecodeVeltrane(benchmark::State& state) {
    const auto& w = Reference();
    xtypes::DynamicData sample(w.type);
    for (auto _ : state) {
        cdr::from_cdr_buffer(sample, w.bytes);
        benchmark::DoNotOptimize(sample.storage());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * w.bytes.size()));
}

void BM_DecodeFastDds(benchmark::State& state) {
    const auto& w = Reference();
    FastDdsReference peer;
    peer.SetPayload(w.bytes);
    // The peer must read the same sample: name (member id 33), ids (39, 30 items), i3 (3).
    if (!peer.Deserialize() || peer.StringMember(33) != "reference sample for the codec benchmark" ||
        peer.ItemCount(39) != kIds || peer.Int32Member(3) != -3000) {
        state.SkipWithError("Fast DDS decoded a different sample");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(peer.Deserialize());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * w.bytes.size()));
}

void BM_EncodeVeltrane(benchmark::State& state) {
    const auto& w = Reference();
    xtypes::DynamicData sample(w.type);
    cdr::from_cdr_buffer(sample, w.bytes);
    std::vector<uint8_t> out;
    for (auto _ : state) {
        cdr::to_cdr_buffer(sample, out, {cdr::CdrVersion::XCDR1, cdr::ByteOrder::LITTLE});
        benchmark::DoNotOptimize(out.data());
    }
    if (out != w.bytes) state.SkipWithError("re-encoded bytes differ");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * w.bytes.size()));
}

void BM_EncodeFastDds(benchmark::State& state) {
    const auto& w = Reference();
    FastDdsReference peer;
    peer.SetPayload(w.bytes);
    if (!peer.Deserialize()) {
        state.SkipWithError("Fast DDS could not decode the reference sample");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(peer.Serialize());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * w.bytes.size()));
}

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_DecodeVeltrane);
BENCHMARK(BM_DecodeFastDds);
BENCHMARK(BM_EncodeVeltrane);
BENCHMARK(BM_EncodeFastDds);

}  // namespace
}  // namespace Quorvel::bench

BENCHMARK_MAIN();
