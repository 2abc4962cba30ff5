#include "passive/support/EngineHarness.h"

#include "engine/core/EngineConfig.h"

#include <quorvel/EngineConfiguration.h>
#include <quorvel/EngineListener.h>

#include <filesystem>
#include <stdexcept>

namespace Quorvel::passive::testing {

const std::string kPassiveDataDir = std::string(VELTRANE_TEST_DATA_DIR) + "/passive/";

namespace {

constexpr int kEthernetLink = 1;

// Marks a callback as running; notes an overlap with another.
class Inside {
 public:
  Inside(std::atomic<int>& counter, std::atomic<bool>& overlapped) : counter(counter) {
    if (counter.fetch_add(1) != 0) overlapped.store(true);
  }
  ~Inside() { counter.fetch_sub(1); }

 private:
  std::atomic<int>& counter;
};

}  // namespace

void CollectingListener::OnUserDataJson(const std::string& json) { Json(true, json); }
void CollectingListener::OnUserDataMap(const std::map<std::string, std::string>& fields) {
  Map(true, fields);
}
void CollectingListener::OnDiscoveryDataJson(const std::string& json) { Json(false, json); }
void CollectingListener::OnDiscoveryDataMap(const std::map<std::string, std::string>& fields) {
  Map(false, fields);
}

void CollectingListener::Json(bool user, const std::string& json) {
  const Inside inside_(inside, overlapped);
  std::lock_guard lock(mutex);
  samples.push_back({user, {}, json});
}

void CollectingListener::Map(bool user, const std::map<std::string, std::string>& fields) {
  const Inside inside_(inside, overlapped);
  std::lock_guard lock(mutex);
  // The JSON callback of the same sample came just before, under the same listener lock.
  if (!samples.empty() && samples.back().user == user && samples.back().fields.empty()) {
    samples.back().fields = fields;
  } else {
    samples.push_back({user, fields, {}});
  }
}

std::vector<DeliveredSample> CollectingListener::Samples() const {
  std::lock_guard lock(mutex);
  return samples;
}

std::vector<DeliveredSample> CollectingListener::UserSamples() const {
  std::vector<DeliveredSample> user;
  for (auto& sample : Samples())
    if (sample.user) user.push_back(std::move(sample));
  return user;
}

std::vector<DeliveredSample> CollectingListener::DiscoverySamples() const {
  std::vector<DeliveredSample> discovery;
  for (auto& sample : Samples())
    if (!sample.user) discovery.push_back(std::move(sample));
  return discovery;
}

EngineHarness::EngineHarness(HarnessOptions options) {
  EngineConfiguration configuration;
  configuration.operationMode = options.mode;
  configuration.threadPoolSize = options.threads;
  configuration.ddsConfigurationFilesPath = options.typeFiles;
  configuration.monitoredInterfaceName = options.interfaceName;
  configuration.maxPipelineMessages = options.maxPipelineMessages;
  configuration.jsonOutput = true;
  configuration.mapOutput = true;
  auto config = std::make_shared<EngineConfig>();
  config->InitializeAndVerifyConfiguration(configuration);
  engine = std::make_shared<PassiveEngine>(config);
  engine->Init();
  using O = EngineListenerEventsOptions;
  const auto events = static_cast<uint32_t>(O::USER_DATA_JSON) |
                      static_cast<uint32_t>(O::USER_DATA_MAP) |
                      static_cast<uint32_t>(O::DISCOVERY_DATA_JSON) |
                      static_cast<uint32_t>(O::DISCOVERY_DATA_MAP);
  engine->BindListener(&listener, events);
}

EngineHarness::~EngineHarness() { engine->Terminate(); }

Bytes CdrString(const std::string& text) {
  Bytes out;
  PutU32(out, static_cast<uint32_t>(text.size() + 1), Endian::LITTLE);
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
  while (out.size() % 4 != 0) out.push_back(0);
  return out;
}

namespace {

Bytes Guid(const Bytes& prefix, uint32_t entityId) {
  Bytes guid = prefix;
  PutU32(guid, entityId, Endian::BIG);
  return guid;
}

Bytes ParameterListPayload(const Bytes& parameters) {
  Bytes payload = {0x00, 0x03, 0x00, 0x00};  // PL_CDR_LE
  Append(payload, parameters);
  Append(payload, Sentinel(Endian::LITTLE));
  return payload;
}

}  // namespace

Bytes ParticipantData(const Bytes& prefix, uint32_t domain, const std::string& name,
                      uint64_t sequence) {
  Bytes parameters;
  Bytes domainValue;
  PutU32(domainValue, domain, Endian::LITTLE);
  Append(parameters, Parameter(0x000F, domainValue, Endian::LITTLE));
  Append(parameters, Parameter(0x0050, Guid(prefix, 0x000001C1), Endian::LITTLE));
  Append(parameters, Parameter(0x0015, {2, 3, 0, 0}, Endian::LITTLE));
  Append(parameters, Parameter(0x8000, {0, 10, 2, 0}, Endian::LITTLE));
  Append(parameters, Parameter(0x0062, CdrString(name), Endian::LITTLE));
  DataSpec spec;
  spec.writerId = 0x000100C2;
  spec.readerId = 0x000100C7;
  spec.sequence = sequence;
  spec.payload = ParameterListPayload(parameters);
  return Data(spec);
}

Bytes EndpointData(const Bytes& prefix, uint32_t entityId, const std::string& topic,
                   const std::string& type, bool reader, uint64_t sequence) {
  Bytes parameters;
  Append(parameters, Parameter(0x0005, CdrString(topic), Endian::LITTLE));
  Append(parameters, Parameter(0x0007, CdrString(type), Endian::LITTLE));
  Append(parameters, Parameter(0x005A, Guid(prefix, entityId), Endian::LITTLE));
  DataSpec spec;
  spec.writerId = reader ? 0x000004C2 : 0x000003C2;
  spec.readerId = reader ? 0x000004C7 : 0x000003C7;
  spec.sequence = sequence;
  spec.payload = ParameterListPayload(parameters);
  return Data(spec);
}

Bytes KeyedSeqPayload(uint32_t seq, uint32_t keyval, const Bytes& baggage) {
  Bytes payload = {0x00, 0x01, 0x00, 0x00};  // CDR_LE
  PutU32(payload, seq, Endian::LITTLE);
  PutU32(payload, keyval, Endian::LITTLE);
  PutU32(payload, static_cast<uint32_t>(baggage.size()), Endian::LITTLE);
  Append(payload, baggage);
  while (payload.size() % 4 != 0) payload.push_back(0);
  return payload;
}

Bytes Frame(const Bytes& prefix, const Bytes& subMessages, uint16_t ipId) {
  Bytes rtps = RtpsHeader(prefix);
  Append(rtps, subMessages);
  return EthernetRtpsFrame(rtps, ipId);
}

std::string TemporaryPcap(const std::string& name, const std::vector<Bytes>& frames) {
  const auto folder = std::filesystem::temp_directory_path() / "veltrane_passive_tests";
  std::filesystem::create_directories(folder);
  const std::string path = (folder / (name + ".pcap")).string();
  WritePcap(path, kEthernetLink, frames);
  return path;
}

}  // namespace Quorvel::passive::testing
