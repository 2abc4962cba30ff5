#include "KeyedSeqTopic.h"

#include "keyedseq.h"

namespace Quorvel::InteropPeers {

namespace {

template <typename Create>
dds_entity_t WithRecordingQos(Create create) {
    dds_qos_t* qos = dds_create_qos();
    dds_qset_reliability(qos, DDS_RELIABILITY_RELIABLE, DDS_SECS(10));
    dds_qset_history(qos, DDS_HISTORY_KEEP_ALL, 0);
    dds_qset_durability(qos, DDS_DURABILITY_TRANSIENT_LOCAL);
    const dds_entity_t entity = create(qos);
    dds_delete_qos(qos);
    return entity;
}

}  // namespace

KeyedSeqTopic::KeyedSeqTopic(std::uint32_t domainId, const std::string& topicName)
    : participant(dds_create_participant(domainId, nullptr, nullptr), "dds_create_participant"),
      topic(dds_create_topic(participant.Get(), &KeyedSeq_desc, topicName.c_str(), nullptr, nullptr),
            "dds_create_topic") {}

dds_entity_t KeyedSeqTopic::CreateReader() const {
    return WithRecordingQos([this](dds_qos_t* qos) { return dds_create_reader(participant.Get(), topic.Get(), qos, nullptr); });
}

dds_entity_t KeyedSeqTopic::CreateWriter() const {
    return WithRecordingQos([this](dds_qos_t* qos) { return dds_create_writer(participant.Get(), topic.Get(), qos, nullptr); });
}

}  // namespace Quorvel::InteropPeers
