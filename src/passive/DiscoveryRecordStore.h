#pragma once

// The passive registry's participant and endpoint records, keyed by writer-key-shaped GUIDs.
// Discovery runs insert and replace while RTPS and batch runs look writers up, all on pool
// threads, so one reader-writer lock guards both maps, held only for the map operation.
// Records are never aged out: a peer that leaves keeps its entries.

#include "passive/PassiveEndPointDiscoveryRecord.h"
#include "passive/PassiveParticipantDiscoveryRecord.h"
#include "passive/RTPSIdentifiers.h"

#include <functional>
#include <map>
#include <optional>
#include <shared_mutex>
#include <vector>

namespace Quorvel::passive {

class DiscoveryRecordStore {
 public:
  // Keeps the first record of a key; false (and nothing changed) when the key is known.
  bool InsertParticipantDiscoveryRecord(const PassiveParticipantDiscoveryRecord& record,
                                        const WriterKey& key);
  bool IsParticipantDiscoveryRecordExists(const WriterKey& key) const;
  std::optional<PassiveParticipantDiscoveryRecord> GetParticipantDiscoveryRecordByKey(
      const WriterKey& key) const;

  // Keeps the first record of a key, like participants; replacing is Remove then Insert.
  bool InsertEndpointDiscoveryRecord(const PassiveEndPointDiscoveryRecord& record,
                                     const WriterKey& key);
  bool IsEndpointDiscoveryRecordExists(const WriterKey& key) const;
  std::optional<PassiveEndPointDiscoveryRecord> GetEndpointDiscoveryRecordByKey(
      const WriterKey& key) const;
  bool RemoveEndpointDiscoveryRecord(const WriterKey& key);
  // The per-sample look-ups: `use` reads the record in place, under the store's lock (it must
  // not call the store), instead of a copy of every string of it; false when there is none.
  bool ReadEndpointDiscoveryRecord(
      const WriterKey& key, const std::function<void(const PassiveEndPointDiscoveryRecord&)>& use) const;
  bool ReadParticipantDiscoveryRecord(
      const WriterKey& key,
      const std::function<void(const PassiveParticipantDiscoveryRecord&)>& use) const;
  // Every endpoint record, in key order.
  std::vector<PassiveEndPointDiscoveryRecord> GetEndpointDiscoveryRecords() const;

  void Clear();

 private:
  mutable std::shared_mutex mutex_;
  std::map<WriterKey, PassiveParticipantDiscoveryRecord> participants_;
  std::map<WriterKey, PassiveEndPointDiscoveryRecord> endpoints_;
};

}  // namespace Quorvel::passive
