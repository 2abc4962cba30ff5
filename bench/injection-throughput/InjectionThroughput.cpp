// Samples per second that one thread publishes on ddsperf's KeyedSeq topic, reliable, on
// loopback, in one of two ways:
//   json   Veltrane::InjectMessage from JSON text (the engine's whole path: parse, fill,
//          encode, key hash, write), through the public Veltrane class;
//   plain  a Fast DDS writer of our generic payload type writing pre-encoded payloads with
//          their key hash: the limit of the transport.
// bench/injection-throughput.sh runs both beside `ddsperf pub` with a `ddsperf sub` reading.
//
//   veltrane_injection_bench json|plain <domain> <baggage bytes> <seconds>

#include "middleware/cdr/CdrCodec.h"
#include "middleware/transport/Participant.h"
#include "middleware/transport/TopicWriter.h"
#include "middleware/xml/QosProvider.h"
#include "middleware/xtypes/DynamicData.h"

#include <quorvel/EngineConfiguration.h>
#include <quorvel/FactoryConfiguration.h>
#include <quorvel/LogSeverityLevel.h>
#include <quorvel/Veltrane.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kDistinctSamples = 64;
const std::string kBenchXml = std::string(VELTRANE_BENCH_DIR) + "/injection-throughput/injection_bench.xml";

std::string KeyedSeqJson(std::uint32_t seq, std::uint32_t size) {
  std::string text = "{\"SampleData\":{\"seq\":" + std::to_string(seq) + ",\"keyval\":0,\"baggage\":[";
  for (std::uint32_t b = 0; b < size; ++b) {
    if (b != 0) text += ',';
    text += std::to_string((seq + b) % 256);
  }
  return text + "]}}";
}

// Calls `publish` with 0, 1, 2, ... for `seconds` after a second of warm-up; returns samples/s.
double Measure(int seconds, const std::function<void(std::size_t)>& publish) {
  std::size_t i = 0;
  for (const auto warmEnd = Clock::now() + std::chrono::seconds(1); Clock::now() < warmEnd;) publish(i++);
  const auto start = Clock::now();
  const auto end = start + std::chrono::seconds(seconds);
  std::size_t count = 0;
  while (true) {
    for (int k = 0; k < 64; ++k, ++count) publish(i++);
    if (Clock::now() >= end) break;
  }
  return static_cast<double>(count) / std::chrono::duration<double>(Clock::now() - start).count();
}

double InjectFromJson(std::int64_t domain, std::uint32_t size, int seconds) {
  Quorvel::EngineConfiguration configuration;
  configuration.operationMode = Quorvel::EngineOperationMode::MESSAGE_INJECTION;
  configuration.ddsConfigurationFilesPath = {kBenchXml};
  configuration.domainId = domain;
  Quorvel::Veltrane engine;
  engine.Init(configuration);
  engine.Run();
  std::vector<std::string> texts;
  for (std::uint32_t seq = 0; seq < kDistinctSamples; ++seq) texts.push_back(KeyedSeqJson(seq, size));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // discovery
  const double rate = Measure(seconds, [&](std::size_t i) {
    engine.InjectMessage("KSWriter", texts[i % kDistinctSamples], false, false);
  });
  engine.Shutdown();
  return rate;
}

double WritePreEncoded(std::int64_t domain, std::uint32_t size, int seconds) {
  using namespace Quorvel;
  const xml::QosProvider provider(xml::QosProviderParams{{}, {kBenchXml}});
  const xtypes::DynamicTypePtr type = provider.type(xml::QosProvider::kAnonymousTypeLibrary, "KeyedSeq");
  std::vector<std::vector<std::uint8_t>> payloads;
  std::vector<cdr::KeyHash> hashes;
  for (std::uint32_t seq = 0; seq < kDistinctSamples; ++seq) {
    xtypes::DynamicData sample(type);
    sample.value<std::uint32_t>("seq", seq);
    xtypes::DynamicDataRef baggage = sample.loan_value("baggage");
    baggage.set_length(size);
    for (std::uint32_t b = 0; b < size; ++b) baggage.value<std::uint8_t>(b + 1, static_cast<std::uint8_t>((seq + b) % 256));
    payloads.push_back(cdr::to_cdr_buffer(sample));
    hashes.push_back(cdr::compute_key_hash(sample, cdr::CdrVersion::XCDR1));
  }
  auto participant = Transport::Participant::Create(provider, "InjectionBench::Injector", static_cast<std::int32_t>(domain));
  participant->Enable();
  std::shared_ptr<Transport::TopicWriter> writer = participant->FindWriter("Publisher::KSWriter");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // discovery
  return Measure(seconds, [&](std::size_t i) {
    writer->Write(payloads[i % kDistinctSamples], hashes[i % kDistinctSamples]);
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: " << argv[0] << " json|plain <domain> <baggage bytes> <seconds>\n";
    return 2;
  }
  const std::string mode = argv[1];
  const std::int64_t domain = std::stoll(argv[2]);
  const auto size = static_cast<std::uint32_t>(std::stoul(argv[3]));
  const int seconds = std::stoi(argv[4]);
  try {
    // The process-wide log, quiet, for both ways (the transport logs through it too).
    Quorvel::FactoryConfiguration factory;
    factory.logger.verbosity = Quorvel::LogSeverityLevel::WARNING;
    Quorvel::Veltrane::SetFactoryConfiguration(factory);
    const double rate = mode == "json" ? InjectFromJson(domain, size, seconds) : WritePreEncoded(domain, size, seconds);
    std::cout << mode << " size " << size << " " << static_cast<long long>(rate) << " samples/s" << std::endl;
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
