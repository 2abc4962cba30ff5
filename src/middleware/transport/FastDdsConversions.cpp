#include "middleware/transport/FastDdsConversions.h"

#include "common/Log.h"

#include <algorithm>
#include <array>

namespace Quorvel::Transport {
namespace {

using eprosima::fastrtps::types::ReturnCode_t;

Timestamp ToTimestamp(const eprosima::fastrtps::rtps::Time_t& time) { return {time.seconds(), time.nanosec()}; }

}  // namespace

Guid ToGuid(const eprosima::fastrtps::rtps::GUID_t& guid) {
  Guid result{};
  std::copy(guid.guidPrefix.value, guid.guidPrefix.value + 12, result.begin());
  std::copy(guid.entityId.value, guid.entityId.value + 4, result.begin() + 12);
  return result;
}

InstanceHandle ToHandle(const eprosima::fastrtps::rtps::InstanceHandle_t& handle) {
  InstanceHandle result{};
  const eprosima::fastrtps::rtps::octet* bytes = handle.value;
  std::copy(bytes, bytes + 16, result.begin());
  return result;
}

SampleInfo ToSampleInfo(const eprosima::fastdds::dds::SampleInfo& info) {
  SampleInfo result;
  result.sampleState = static_cast<SampleState>(info.sample_state);
  result.viewState = static_cast<ViewState>(info.view_state);
  result.instanceState = static_cast<InstanceState>(info.instance_state);
  result.sourceTimestamp = ToTimestamp(info.source_timestamp);
  result.receptionTimestamp = ToTimestamp(info.reception_timestamp);
  result.instanceHandle = ToHandle(info.instance_handle);
  result.publicationHandle = ToHandle(info.publication_handle);
  result.disposedGenerationCount = info.disposed_generation_count;
  result.noWritersGenerationCount = info.no_writers_generation_count;
  result.sampleRank = info.sample_rank;
  result.generationRank = info.generation_rank;
  result.absoluteGenerationRank = info.absolute_generation_rank;
  result.validData = info.valid_data;
  result.writerGuid = ToGuid(info.sample_identity.writer_guid());
  result.sequenceNumber = info.sample_identity.sequence_number().to64long();
  result.relatedWriterGuid = ToGuid(info.related_sample_identity.writer_guid());
  const auto related = info.related_sample_identity.sequence_number();
  // The unknown sequence number (-1 in its high word) stands for "none".
  result.relatedSequenceNumber = related.high < 0 ? 0 : related.to64long();
  return result;
}

std::string ReturnCodeText(const ReturnCode_t& code) {
  static constexpr std::array<const char*, 14> kNames = {
      "RETCODE_OK",           "RETCODE_ERROR",          "RETCODE_UNSUPPORTED",      "RETCODE_BAD_PARAMETER",
      "RETCODE_PRECONDITION_NOT_MET", "RETCODE_OUT_OF_RESOURCES", "RETCODE_NOT_ENABLED", "RETCODE_IMMUTABLE_POLICY",
      "RETCODE_INCONSISTENT_POLICY",  "RETCODE_ALREADY_DELETED",  "RETCODE_TIMEOUT",     "RETCODE_NO_DATA",
      "RETCODE_ILLEGAL_OPERATION",    "RETCODE_NOT_ALLOWED_BY_SECURITY"};
  const uint32_t value = code();
  return value < kNames.size() ? kNames[value] : "RETCODE_" + std::to_string(value);
}

void CheckReturnCode(const ReturnCode_t& code, const std::string& operation) {
  if (code == ReturnCode_t::RETCODE_OK) return;
  ThrowLogged(operation + " failed: " + ReturnCodeText(code));
}

}  // namespace Quorvel::Transport
