#pragma once

// A PassiveEngine built from a real configuration (the KeyedSeq type file of the ddsperf
// recordings unless told otherwise) with a listener that keeps every delivered sample, and
// byte builders for the discovery announcements the engine must understand.

#include "passive/PassiveEngine.h"
#include "passive/support/WireBuilder.h"

#include <quorvel/EngineListener.h>
#include <quorvel/EngineOperationMode.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Quorvel::passive::testing {

extern const std::string kPassiveDataDir;

struct DeliveredSample {
  bool user = false;
  std::map<std::string, std::string> fields;
  std::string json;
};

// Keeps what it is given, in order, and notes whether two callbacks ever overlapped.
class CollectingListener : public EngineListener {
 public:
  void OnUserDataJson(const std::string& json) override;
  void OnUserDataMap(const std::map<std::string, std::string>& fields) override;
  void OnDiscoveryDataJson(const std::string& json) override;
  void OnDiscoveryDataMap(const std::map<std::string, std::string>& fields) override;

  std::vector<DeliveredSample> Samples() const;
  std::vector<DeliveredSample> UserSamples() const;
  std::vector<DeliveredSample> DiscoverySamples() const;
  bool Overlapped() const { return overlapped.load(); }

 private:
  // JSON comes before the map of the same sample.
  void Json(bool user, const std::string& json);
  void Map(bool user, const std::map<std::string, std::string>& fields);

  mutable std::mutex mutex;
  std::vector<DeliveredSample> samples;
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
};

struct HarnessOptions {
  EngineOperationMode mode = EngineOperationMode::RECORD_DISSECTION;
  uint64_t threads = 2;
  std::vector<std::string> typeFiles = {kPassiveDataDir + "keyedseq.xml"};
  std::string interfaceName;
  uint64_t maxPipelineMessages = 4096;
};

struct EngineHarness {
  explicit EngineHarness(HarnessOptions options = {});
  ~EngineHarness();

  CollectingListener listener;
  std::shared_ptr<PassiveEngine> engine;
};

// --- announcements (DDSI-RTPS 2.5, 9.6.2.2), little-endian PL_CDR ---
Bytes CdrString(const std::string& text);
// A Data(p) of the participant with `prefix` in `domain`.
Bytes ParticipantData(const Bytes& prefix, uint32_t domain, const std::string& name,
                      uint64_t sequence = 1);
// A Data(w) (or Data(r) when `reader`) of entity `entityId` of the participant `prefix`.
Bytes EndpointData(const Bytes& prefix, uint32_t entityId, const std::string& topic,
                   const std::string& type, bool reader = false, uint64_t sequence = 1);
// A KeyedSeq sample (XCDR1 little-endian) as ddsperf writes it.
Bytes KeyedSeqPayload(uint32_t seq, uint32_t keyval, const Bytes& baggage);
// An RTPS message of `prefix` holding `subMessages`, in an Ethernet frame.
Bytes Frame(const Bytes& prefix, const Bytes& subMessages, uint16_t ipId = 0x1234);
// Writes `frames` as an Ethernet pcap under the test's temporary folder; returns its path.
std::string TemporaryPcap(const std::string& name, const std::vector<Bytes>& frames);

}  // namespace Quorvel::passive::testing
