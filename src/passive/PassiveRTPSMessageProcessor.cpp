#include "passive/PassiveRTPSMessageProcessor.h"

#include "common/Log.h"
#include "engine/core/EngineCounters.h"
#include "passive/DataBatchSplitter.h"
#include "passive/DataFragReassembler.h"
#include "passive/DeliverySequencer.h"
#include "passive/HexText.h"
#include "passive/RTPSDataBatchSubMessage.h"
#include "passive/RTPSDataFragSubMessageHeader.h"
#include "passive/RTPSDataSubMessage.h"
#include "passive/RTPSMessageHeader.h"
#include "passive/RTPSRoutingTargets.h"
#include "passive/RTPSSubMessageKind.h"
#include "passive/RTPSUserDataMessage.h"
#include "passive/SubMessageFlags.h"
#include "passive/WireReader.h"

#include <thread>

namespace Quorvel::passive {

namespace {

constexpr size_t kSubMessageHeaderSize = 4;
constexpr std::chrono::milliseconds kDiscoveryPollInterval{1};

// TIME_ZERO, TIME_INVALID and TIME_INFINITE carry no instant (DDSI-RTPS 2.5, 9.3.2).
bool IsSpecialTime(uint32_t seconds, uint32_t fraction) {
  return (seconds == 0 && fraction == 0) || (seconds == 0xFFFFFFFF && fraction == 0xFFFFFFFF) ||
         (seconds == 0x7FFFFFFF && fraction == 0xFFFFFFFF);
}

std::string Describe(uint8_t id) {
  return RTPSSubMessageTypeToName(id) + " (" + HexNumber(id, 2) + ")";
}

}  // namespace

// One sub-message of the message being walked: cut to its length, in its byte order.
struct PassiveRTPSMessageProcessor::SubMessage {
  const std::shared_ptr<const RTPSMessage>& message;
  RTPSMessageHeader& header;
  UserDataRoute& route;
  WireReader reader;
  uint8_t id;
  uint8_t flags;
};

PassiveRTPSMessageProcessor::PassiveRTPSMessageProcessor(
    EngineOperationMode mode, std::shared_ptr<RTPSRoutingTargets> targets)
    : targets_(std::move(targets)),
      waitForDiscovery_(mode == EngineOperationMode::RECORD_DISSECTION),
      fragments_(std::make_unique<DataFragReassembler>()) {
  LogDebug("PassiveRTPSMessageProcessor");
}

PassiveRTPSMessageProcessor::~PassiveRTPSMessageProcessor() {
  LogDebug("~PassiveRTPSMessageProcessor");
}

void PassiveRTPSMessageProcessor::Init(std::weak_ptr<RTPSMessageQueue> rtpsQueue) {
  LogDebug("Init");
  rtpsQueue_ = std::move(rtpsQueue);
}

void PassiveRTPSMessageProcessor::SetCounters(std::shared_ptr<EngineCounters> counters) {
  counters_ = std::move(counters);
  fragments_->SetDropCounter([counters = counters_](DropReason reason, uint64_t count) {
    if (counters) counters->Dropped(reason, count);
  });
}

void PassiveRTPSMessageProcessor::Drop(DropReason reason, uint64_t count) {
  if (counters_) counters_->Dropped(reason, count);
}

void PassiveRTPSMessageProcessor::Operation() {
  const auto queue = rtpsQueue_.lock();
  if (!queue) return;
  const auto message = queue->Pop();
  if (!message) {
    LogDebug("No message in RTPSMessageQueue (in shutdown process)");
    return;
  }
  ProcessMessage(message);
}

void PassiveRTPSMessageProcessor::ProcessMessage(const std::shared_ptr<const RTPSMessage>& message) {
  try {
    ParseMessage(message);
  } catch (const std::exception& error) {
    LogError(std::string("Exception in PassiveRTPSMessageProcessor: ") + error.what());
  }
}

void PassiveRTPSMessageProcessor::ParseMessage(const std::shared_ptr<const RTPSMessage>& message) {
  VELTRANE_LOG(DEBUG, "Processing a UDP RTPS Message from " + message->ipHeader->src_ip +
                          " ip.id #" + std::to_string(message->ipHeader->identification));
  WireReader reader(*message->payload);
  RTPSMessageHeader header;
  UserDataRoute route;
  try {
    if (!header.Init(reader)) {
      Drop(DropReason::NON_RTPS);
      return;
    }
  } catch (const WireError& error) {
    LogWarning(std::string("Discarding an RTPS message too short for its header: ") +
               error.what());
    Drop(DropReason::MALFORMED_INPUT);
    return;
  }
  if (counters_) counters_->RtpsMessageParsed();
  while (reader.Remaining() > 0) {
    const size_t offset = reader.Offset();
    header.cursor = static_cast<uint16_t>(offset);
    if (reader.Remaining() < kSubMessageHeaderSize) {
      LogWarning("Discarding " + std::to_string(reader.Remaining()) +
                 " trailing bytes of an RTPS message at offset " + std::to_string(offset) +
                 ": too short for a sub-message header");
      Drop(DropReason::MALFORMED_INPUT);
      return;
    }
    const uint8_t id = reader.PeekU8At(offset);
    if (counters_) counters_->SubMessageSeen(id);
    const uint8_t flags = reader.PeekU8At(offset + 1);
    const ByteOrder order = (flags & SubMessageFlags::kEndianness) != 0
                                ? ByteOrder::LITTLE_ENDIAN_ORDER
                                : ByteOrder::BIG_ENDIAN_ORDER;
    size_t bodyLength = reader.PeekU16At(offset + 2, order);
    const size_t available = reader.Remaining() - kSubMessageHeaderSize;
    // DDSI-RTPS 2.5, 9.4.5.1.3: zero means "up to the end of the message", except for PAD and
    // INFO_TS, which may be empty.
    if (bodyLength == 0 && id != static_cast<uint8_t>(RTPSSubMessageKind::PAD) &&
        id != static_cast<uint8_t>(RTPSSubMessageKind::INFO_TS)) {
      bodyLength = available;
    }
    if (bodyLength > available) {
      LogWarning("Discarding the rest of an RTPS message from GUID prefix " +
                 header.GuidPrefixText() + ": sub-message " + Describe(id) + " at offset " +
                 std::to_string(offset) + " claims " + std::to_string(bodyLength) +
                 " bytes, " + std::to_string(available) + " are left");
      Drop(DropReason::MALFORMED_INPUT);
      return;
    }
    SubMessage subMessage{message, header, route, reader.Cut(kSubMessageHeaderSize + bodyLength), id,
                          flags};
    subMessage.reader.SetOrder(order);
    try {
      Dispatch(subMessage);
    } catch (const WireError& error) {
      LogWarning("Discarding sub-message " + Describe(id) + " at offset " +
                 std::to_string(offset) + " of an RTPS message from GUID prefix " +
                 header.GuidPrefixText() + ": " + error.what());
      Drop(DropReason::MALFORMED_INPUT);
    }
  }
}

void PassiveRTPSMessageProcessor::Dispatch(SubMessage& subMessage) {
  (this->*DispatchTable()[subMessage.id])(subMessage);
}

const std::array<PassiveRTPSMessageProcessor::Handler, 256>&
PassiveRTPSMessageProcessor::DispatchTable() {
  static const std::array<Handler, 256> table = [] {
    std::array<Handler, 256> handlers;
    handlers.fill(&PassiveRTPSMessageProcessor::HandleIgnored);
    const auto set = [&handlers](RTPSSubMessageKind kind, Handler handler) {
      handlers[static_cast<uint8_t>(kind)] = handler;
    };
    set(RTPSSubMessageKind::INFO_TS, &PassiveRTPSMessageProcessor::HandleInfoTimestamp);
    set(RTPSSubMessageKind::DATA, &PassiveRTPSMessageProcessor::HandleData);
    set(RTPSSubMessageKind::DATA_FRAG, &PassiveRTPSMessageProcessor::HandleDataFrag);
    set(RTPSSubMessageKind::DATA_BATCH, &PassiveRTPSMessageProcessor::HandleDataBatch);
    set(RTPSSubMessageKind::DATA_SESSION, &PassiveRTPSMessageProcessor::HandleDataBatch);
    return handlers;
  }();
  return table;
}

void PassiveRTPSMessageProcessor::HandleInfoTimestamp(SubMessage& subMessage) {
  WireReader& reader = subMessage.reader;
  if ((subMessage.flags & SubMessageFlags::kInlineQos) != 0) {
    LogDebug("Received an RTPS message with invalid timestamp");
    return;
  }
  reader.Skip(kSubMessageHeaderSize);
  const uint32_t seconds = reader.ReadU32();
  const uint32_t fraction = reader.ReadU32();
  if (IsSpecialTime(seconds, fraction)) {
    LogDebug("Received an RTPS message with invalid timestamp");
    return;
  }
  subMessage.header.sourceTimestampNs =
      static_cast<int64_t>(seconds) * 1'000'000'000 +
      static_cast<int64_t>((static_cast<uint64_t>(fraction) * 1'000'000'000) >> 32);
  subMessage.header.hasSourceTimestamp = true;
  LogTrace("Updating sub-messages timestamp");
}

// A DATA or DATA_BATCH record of the sub-message, its header parsed.
template <typename Record>
std::shared_ptr<Record> PassiveRTPSMessageProcessor::MakeRecord(const SubMessage& subMessage) {
  auto record = std::make_shared<Record>();
  record->header.Init(subMessage.reader);
  record->message = subMessage.message;
  record->messageHeader = subMessage.header;
  record->subMessageOffset = subMessage.reader.Begin();
  return record;
}

void PassiveRTPSMessageProcessor::HandleData(SubMessage& subMessage) {
  RouteData(MakeRecord<RTPSDataSubMessage>(subMessage), subMessage.route);
}

// DDSI-RTPS 2.5, 8.3.7.3: the fragments of one sample; the sample, once whole, is routed as the
// DATA it would have been, with the timestamp and headers of the sub-message completing it.
void PassiveRTPSMessageProcessor::HandleDataFrag(SubMessage& subMessage) {
  RTPSDataFragSubMessageHeader header;
  header.Init(subMessage.reader);
  const WriterKey writer = WriterKey::From(subMessage.header.guidPrefix, header.writerId.value);
  const timeval& captured = subMessage.message->packetHeader->ts;
  auto sample = fragments_->Add(writer, header, *subMessage.message->payload,
                                int64_t{captured.tv_sec} * 1'000'000 + captured.tv_usec);
  if (sample) {
    RouteData(ToDataSubMessage(std::move(*sample), *subMessage.message, subMessage.header),
              subMessage.route);
  }
}

void PassiveRTPSMessageProcessor::RouteData(std::shared_ptr<RTPSDataSubMessage> data,
                                            UserDataRoute& route) {
  const EntityId& writer = data->header.writerId;
  const uint64_t sequence = data->header.writerSN.value;

  if (writer.value == EntityId::kParticipantWriter) {
    VELTRANE_LOG(TRACE, "Enqueuing a Data(p) RTPS message #" + std::to_string(sequence) +
                            " from Writer GUID " + data->WriterGuid().GuidText());
    route = {};
    targets_->RouteParticipantDiscovery(std::move(data));
  } else if (writer.value == EntityId::kPublicationsWriter ||
             writer.value == EntityId::kSubscriptionsWriter) {
    VELTRANE_LOG(TRACE, "Enqueuing a Endpoint Discovery RTPS message #" +
                            std::to_string(sequence) + " from GUID " + data->WriterGuid().GuidText());
    route = {};
    targets_->RouteEndpointDiscovery(std::move(data));
  } else if (writer.IsUserWriter()) {
    if (waitForDiscovery_) WaitForDiscovery();
    const auto sample = RTPSUserDataMessage::FromDataSubMessage(*data);
    if (sequencer_) sample->deliveryTicket = sequencer_->Reserve();
    if (targets_->RouteUserData(sample->header.writerKey, sample, route)) {
      VELTRANE_LOG(TRACE, "Enqueuing a UserData RTPS message #" + std::to_string(sequence));
    } else {
      if (sample->deliveryTicket) sequencer_->Skip(*sample->deliveryTicket);
      LogWarning("No DataWriter matches the UserData RTPS message #" + std::to_string(sequence) +
                 " from Writer GUID " + sample->header.writerKey.GuidText() +
                 ". Make sure that Discovery messages are properly routed");
      Drop(DropReason::NO_MATCHING_WRITER);
    }
  } else {
    VELTRANE_LOG(TRACE,
                 "Discarding a non Discovery / UserData DDS message #" + std::to_string(sequence));
    Drop(DropReason::NOT_DISSECTED);
  }
}

void PassiveRTPSMessageProcessor::HandleDataBatch(SubMessage& subMessage) {
  auto batch = MakeRecord<RTPSDataBatchSubMessage>(subMessage);
  const std::string sequence = std::to_string(batch->header.batchSN.value);
  if (!batch->header.writerId.IsUserWriter()) {
    VELTRANE_LOG(TRACE, "Discarding a non UserData RTPS Batch message #" + sequence);
    Drop(DropReason::NOT_DISSECTED);
    return;
  }
  if (waitForDiscovery_) WaitForDiscovery();
  if (!targets_->HasUserDataProcessor(batch->WriterGuid())) {
    // Every sample of the batch is reported, as a DATA of the writer would be.
    const size_t samples = SplitDataBatch(*batch).size();
    for (size_t i = 0; i < samples; ++i) {
      LogWarning("No DataWriter matches the UserData RTPS message #" + sequence +
                 " from Writer GUID 0x" + subMessage.header.GuidPrefixText() +
                 batch->header.writerId.Text() +
                 ". Make sure that Discovery messages are properly routed");
    }
    Drop(DropReason::NO_MATCHING_WRITER, samples);
    return;
  }
  VELTRANE_LOG(TRACE, "Enqueuing a DataBatch RTPS message #" + sequence);
  targets_->RouteDataBatch(std::move(batch));
}

void PassiveRTPSMessageProcessor::HandleIgnored(SubMessage& subMessage) {
  VELTRANE_LOG(DEBUG, "Ignoring RTPS message type = " + RTPSSubMessageTypeToName(subMessage.id) +
                          " (0x" + HexNumber(subMessage.id, 2).substr(2) + ")");
}

// A recording is read far faster than discovery is processed: user data waits until every
// endpoint announcement read before it has been handled. The waiting run processes the queued
// announcements itself, so the wait never depends on a pool thread being free (a pool of one
// thread would otherwise wait on itself); what it still waits for is announcements that other
// threads are processing at that moment, and that wait is bounded as a last resort.
void PassiveRTPSMessageProcessor::WaitForDiscovery() {
  const auto deadline = std::chrono::steady_clock::now() + discoveryWaitLimit_;
  while (targets_->DrainDiscovery()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      LogWarning("Stopped waiting for endpoint discovery after " +
                 std::to_string(discoveryWaitLimit_.count()) + " ms");
      return;
    }
    LogTrace("Waiting to finish processing discovery");
    std::this_thread::sleep_for(kDiscoveryPollInterval);
  }
}

}  // namespace Quorvel::passive
