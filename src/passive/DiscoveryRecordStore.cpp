#include "passive/DiscoveryRecordStore.h"

#include "common/Log.h"

#include <mutex>

namespace Quorvel::passive {
namespace {

template <typename Record>
std::optional<Record> Find(const std::map<WriterKey, Record>& records, const WriterKey& key) {
  const auto found = records.find(key);
  if (found == records.end()) return std::nullopt;
  return found->second;
}

}  // namespace

bool DiscoveryRecordStore::InsertParticipantDiscoveryRecord(
    const PassiveParticipantDiscoveryRecord& record, const WriterKey& key) {
  bool inserted = false;
  {
    std::unique_lock lock(mutex_);
    inserted = participants_.emplace(key, record).second;
  }
  if (inserted) {
    LogInfo("Inserted a new Data(p) " + key.GuidText() + " to DB");
  } else {
    LogDebug("Data(p) " + key.GuidText() + " already in DB");
  }
  return inserted;
}

bool DiscoveryRecordStore::IsParticipantDiscoveryRecordExists(const WriterKey& key) const {
  std::shared_lock lock(mutex_);
  return participants_.count(key) != 0;
}

std::optional<PassiveParticipantDiscoveryRecord>
DiscoveryRecordStore::GetParticipantDiscoveryRecordByKey(const WriterKey& key) const {
  std::shared_lock lock(mutex_);
  return Find(participants_, key);
}

bool DiscoveryRecordStore::InsertEndpointDiscoveryRecord(
    const PassiveEndPointDiscoveryRecord& record, const WriterKey& key) {
  std::unique_lock lock(mutex_);
  return endpoints_.emplace(key, record).second;
}

bool DiscoveryRecordStore::IsEndpointDiscoveryRecordExists(const WriterKey& key) const {
  std::shared_lock lock(mutex_);
  return endpoints_.count(key) != 0;
}

std::optional<PassiveEndPointDiscoveryRecord>
DiscoveryRecordStore::GetEndpointDiscoveryRecordByKey(const WriterKey& key) const {
  std::shared_lock lock(mutex_);
  return Find(endpoints_, key);
}

bool DiscoveryRecordStore::ReadEndpointDiscoveryRecord(
    const WriterKey& key, const std::function<void(const PassiveEndPointDiscoveryRecord&)>& use) const {
  std::shared_lock lock(mutex_);
  const auto found = endpoints_.find(key);
  if (found == endpoints_.end()) return false;
  use(found->second);
  return true;
}

bool DiscoveryRecordStore::ReadParticipantDiscoveryRecord(
    const WriterKey& key,
    const std::function<void(const PassiveParticipantDiscoveryRecord&)>& use) const {
  std::shared_lock lock(mutex_);
  const auto found = participants_.find(key);
  if (found == participants_.end()) return false;
  use(found->second);
  return true;
}

bool DiscoveryRecordStore::RemoveEndpointDiscoveryRecord(const WriterKey& key) {
  std::unique_lock lock(mutex_);
  return endpoints_.erase(key) != 0;
}

std::vector<PassiveEndPointDiscoveryRecord> DiscoveryRecordStore::GetEndpointDiscoveryRecords()
    const {
  std::shared_lock lock(mutex_);
  std::vector<PassiveEndPointDiscoveryRecord> records;
  records.reserve(endpoints_.size());
  for (const auto& [key, record] : endpoints_) records.push_back(record);
  return records;
}

void DiscoveryRecordStore::Clear() {
  std::unique_lock lock(mutex_);
  participants_.clear();
  endpoints_.clear();
}

}  // namespace Quorvel::passive
