// The generic payload type and the QoS mapping, without a network: payload bytes pass whole in
// both directions, instance handles are our codec's key hash, and profile policies land on the
// Fast DDS QoS fields that carry them.

#include "middleware/transport/GenericPayloadType.h"
#include "middleware/transport/QosMapping.h"
#include "middleware/transport/support/KeyedSeqFixture.h"

#include <fastdds/rtps/common/SerializedPayload.h>
#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace Quorvel::Transport {
namespace {

namespace dds = eprosima::fastdds::dds;
using eprosima::fastrtps::rtps::InstanceHandle_t;
using eprosima::fastrtps::rtps::SerializedPayload_t;
using TransportTest::EncodeKeyedSeq;
using TransportTest::KeyedSeqType;
using TransportTest::KeyHashOf;

cdr::KeyHash HandleBytes(const InstanceHandle_t& handle) {
  cdr::KeyHash bytes{};
  const eprosima::fastrtps::rtps::octet* raw = handle.value;
  std::copy(raw, raw + 16, bytes.begin());
  return bytes;
}

TEST(GenericPayloadType, CarriesPayloadsWholeBothWays) {
  GenericPayloadType type("KeyedSeq", KeyedSeqType());
  EXPECT_STREQ(type.getName(), "KeyedSeq");
  EXPECT_TRUE(type.m_isGetKeyDefined);
  for (const std::vector<std::uint8_t>& bytes :
       {EncodeKeyedSeq({7, 3, {1, 2, 3}}), std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0x00, 0, 0, 0, 9, 0, 0, 0, 1}}) {
    SerializedPayload out;
    out.view = bytes.data();
    out.viewSize = bytes.size();
    EXPECT_EQ(type.getSerializedSizeProvider(&out)(), bytes.size());
    SerializedPayload_t wire(static_cast<uint32_t>(bytes.size()));
    ASSERT_TRUE(type.serialize(&out, &wire));
    ASSERT_EQ(wire.length, bytes.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), wire.data));
    EXPECT_EQ(wire.encapsulation, bytes[1] == 1 ? CDR_LE : CDR_BE);
    void* in = type.createData();
    ASSERT_TRUE(type.deserialize(&wire, in));
    EXPECT_EQ(static_cast<SerializedPayload*>(in)->bytes, bytes);
    type.deleteData(in);
  }
  // Too large for the buffer Fast DDS offers, or too short to hold an encapsulation header.
  const std::vector<std::uint8_t> large(64, 0);
  SerializedPayload out;
  out.view = large.data();
  out.viewSize = large.size();
  SerializedPayload_t small(16);
  EXPECT_FALSE(type.serialize(&out, &small));
  out.viewSize = 2;
  EXPECT_FALSE(type.serialize(&out, &small));
}

TEST(GenericPayloadType, InstanceHandleIsOurKeyHash) {
  GenericPayloadType type("KeyedSeq", KeyedSeqType());
  for (const std::uint32_t keyval : {0u, 1u, 0xdeadbeefu}) {
    SerializedPayload sample;
    sample.bytes = EncodeKeyedSeq({42, keyval, std::vector<std::uint8_t>(keyval % 7, 5)});
    InstanceHandle_t handle;
    ASSERT_TRUE(type.getKey(&sample, &handle));
    EXPECT_EQ(HandleBytes(handle), KeyHashOf(keyval)) << keyval;
  }
  // A hash the writer already has is taken as it is.
  SerializedPayload given;
  given.bytes = EncodeKeyedSeq({1, 2, {}});
  cdr::KeyHash marker{};
  marker.fill(0xab);
  given.keyHash = marker;
  InstanceHandle_t handle;
  ASSERT_TRUE(type.getKey(&given, &handle));
  EXPECT_EQ(HandleBytes(handle), marker);
  // A payload that does not decode, and a key-only sample whose key Fast DDS dropped, go to the
  // unknown instance: Fast DDS 2.9 aborts on an assertion when getKey fails.
  SerializedPayload broken;
  broken.bytes = {0x00, 0x01, 0x00, 0x00, 0x07};
  ASSERT_TRUE(type.getKey(&broken, &handle));
  EXPECT_EQ(HandleBytes(handle), kUnknownInstance);
  SerializedPayload keyOnly;
  handle = InstanceHandle_t();
  ASSERT_TRUE(type.getKey(&keyOnly, &handle));
  EXPECT_EQ(HandleBytes(handle), kUnknownInstance);
}

TEST(GenericPayloadType, UnkeyedTypesHaveNoKey) {
  xtypes::Member x;
  x.name = "x";
  x.type = xtypes::DynamicType::Primitive(xtypes::TypeKind::INT32);
  GenericPayloadType type("Plain", xtypes::DynamicType::Structure("Plain", {x}, xtypes::Extensibility::APPENDABLE));
  EXPECT_FALSE(type.m_isGetKeyDefined);
  EXPECT_FALSE(type.Hasher());
  SerializedPayload sample;
  sample.bytes = {0x00, 0x07, 0x00, 0x00, 1, 0, 0, 0};
  InstanceHandle_t handle;
  EXPECT_FALSE(type.getKey(&sample, &handle));
}

TEST(QosMapping, ProfilePoliciesLandOnFastDdsFields) {
  xml::QosPolicies p;
  p.reliabilityKind = xml::ReliabilityKind::RELIABLE;
  p.reliabilityMaxBlockingTime = xml::QosDuration{2, 500};
  p.durabilityKind = xml::DurabilityKind::TRANSIENT_LOCAL;
  p.historyKind = xml::HistoryKind::KEEP_LAST;
  p.historyDepth = 7;
  p.maxSamples = 50;
  p.maxInstances = 5;
  p.maxSamplesPerInstance = 10;
  p.deadlinePeriod = xml::QosDuration{1, 0};
  p.livelinessKind = xml::LivelinessKind::MANUAL_BY_TOPIC;
  p.livelinessLeaseDuration = xml::QosDuration::Infinite();
  p.ownershipKind = xml::OwnershipKind::EXCLUSIVE;
  p.ownershipStrength = 12;
  p.lifespan = xml::QosDuration{3, 0};
  p.timeBasedFilterMinimumSeparation = xml::QosDuration{0, 1000};
  p.destinationOrderKind = xml::DestinationOrderKind::BY_SOURCE_TIMESTAMP;

  dds::DataReaderQos reader = dds::DATAREADER_QOS_DEFAULT;
  ApplyReaderQos(p, reader);
  EXPECT_EQ(reader.reliability().kind, dds::RELIABLE_RELIABILITY_QOS);
  EXPECT_EQ(reader.reliability().max_blocking_time, eprosima::fastrtps::Duration_t(2, 500));
  EXPECT_EQ(reader.durability().kind, dds::TRANSIENT_LOCAL_DURABILITY_QOS);
  EXPECT_EQ(reader.history().kind, dds::KEEP_LAST_HISTORY_QOS);
  EXPECT_EQ(reader.history().depth, 7);
  EXPECT_EQ(reader.resource_limits().max_instances, 5);
  EXPECT_EQ(reader.resource_limits().max_samples_per_instance, 10);
  EXPECT_EQ(reader.resource_limits().max_samples, 50) << "5 x 10 fits Fast DDS's rule as it is";
  EXPECT_EQ(reader.deadline().period, eprosima::fastrtps::Duration_t(1, 0));
  EXPECT_EQ(reader.liveliness().kind, dds::MANUAL_BY_TOPIC_LIVELINESS_QOS);
  EXPECT_EQ(reader.liveliness().lease_duration, eprosima::fastrtps::c_TimeInfinite);
  EXPECT_EQ(reader.ownership().kind, dds::EXCLUSIVE_OWNERSHIP_QOS);
  EXPECT_EQ(reader.lifespan().duration, eprosima::fastrtps::Duration_t(3, 0));
  EXPECT_EQ(reader.time_based_filter().minimum_separation, eprosima::fastrtps::Duration_t(0, 1000));
  EXPECT_EQ(reader.destination_order().kind, dds::BY_SOURCE_TIMESTAMP_DESTINATIONORDER_QOS);
  EXPECT_EQ(reader.type_consistency().representation.m_value,
            (std::vector<dds::DataRepresentationId_t>{dds::XCDR_DATA_REPRESENTATION, dds::XCDR2_DATA_REPRESENTATION}));

  for (const auto& [extensibility, representation] :
       {std::pair{xtypes::Extensibility::FINAL, dds::XCDR_DATA_REPRESENTATION},
        std::pair{xtypes::Extensibility::APPENDABLE, dds::XCDR2_DATA_REPRESENTATION},
        std::pair{xtypes::Extensibility::MUTABLE, dds::XCDR2_DATA_REPRESENTATION}}) {
    dds::DataWriterQos writer = dds::DATAWRITER_QOS_DEFAULT;
    ApplyWriterQos(p, extensibility, writer);
    EXPECT_EQ(writer.ownership_strength().value, 12u);
    EXPECT_EQ(writer.representation().m_value, std::vector<dds::DataRepresentationId_t>{representation});
  }

  // Unset policies keep Fast DDS's defaults.
  dds::DataReaderQos untouched = dds::DATAREADER_QOS_DEFAULT;
  ApplyReaderQos({}, untouched);
  EXPECT_EQ(untouched.reliability().kind, dds::DATAREADER_QOS_DEFAULT.reliability().kind);
  EXPECT_EQ(untouched.history().depth, dds::DATAREADER_QOS_DEFAULT.history().depth);
}

TEST(QosMapping, ResourceLimitsFastDdsWouldRefuseAreRaised) {
  const struct {
    std::int32_t samples, instances, perInstance, expected;
  } cases[] = {
      {100000, 100000, 100000, -1},  // the product passes 32 bits: unlimited
      {100000, 100, 100000, 10000000},
      {1000, 10, 200, 2000},         // raised to the product
      {1000, 10, 100, 1000},         // consistent already
      {-1, 10, 100, -1},             // unlimited stays
  };
  for (const auto& c : cases) {
    xml::QosPolicies p;
    p.maxSamples = c.samples;
    p.maxInstances = c.instances;
    p.maxSamplesPerInstance = c.perInstance;
    dds::DataWriterQos writer = dds::DATAWRITER_QOS_DEFAULT;
    ApplyWriterQos(p, xtypes::Extensibility::FINAL, writer);
    EXPECT_EQ(writer.resource_limits().max_samples, c.expected) << c.samples << "/" << c.instances << "/"
                                                                 << c.perInstance;
  }
}

TEST(QosMapping, TransportsAndPartitions) {
  dds::DomainParticipantQos defaults = dds::PARTICIPANT_QOS_DEFAULT;
  ApplyParticipantQos({}, defaults);
  EXPECT_TRUE(defaults.transport().use_builtin_transports);

  xml::QosPolicies udp;
  udp.udpOnlyTransport = true;
  udp.allowedInterfaces = std::vector<std::string>{"127.0.0.1"};
  udp.entityName = "Monitor";
  dds::DomainParticipantQos participant = dds::PARTICIPANT_QOS_DEFAULT;
  ApplyParticipantQos(udp, participant);
  EXPECT_EQ(participant.name().to_string(), "Monitor");
  EXPECT_FALSE(participant.transport().use_builtin_transports);
  ASSERT_EQ(participant.transport().user_transports.size(), 1u);
  auto descriptor = std::dynamic_pointer_cast<eprosima::fastdds::rtps::UDPv4TransportDescriptor>(
      participant.transport().user_transports.front());
  ASSERT_TRUE(descriptor);
  EXPECT_EQ(descriptor->interfaceWhiteList, std::vector<std::string>{"127.0.0.1"});

  xml::QosPolicies partitions;
  partitions.partitions = std::vector<std::string>{"red", "blue*"};
  dds::SubscriberQos subscriber = dds::SUBSCRIBER_QOS_DEFAULT;
  ApplySubscriberQos(partitions, subscriber);
  EXPECT_EQ(subscriber.partition().names(), (std::vector<std::string>{"red", "blue*"}));
  EXPECT_FALSE(subscriber.entity_factory().autoenable_created_entities);
  dds::PublisherQos publisher = dds::PUBLISHER_QOS_DEFAULT;
  ApplyPublisherQos(partitions, publisher);
  EXPECT_EQ(publisher.partition().names(), (std::vector<std::string>{"red", "blue*"}));
}

}  // namespace
}  // namespace Quorvel::Transport
