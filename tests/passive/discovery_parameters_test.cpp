// Discovery parameter lists built byte by byte in both byte orders: the fields each PID fills,
// the PIDs skipped, wrong fixed lengths kept at their defaults with their warning, and lists
// that run past the announcement rejected.

#include "support/LogCapture.h"
#include "passive/DiscoveryParameters.h"
#include "passive/PassiveEndPointDiscoveryRecord.h"
#include "passive/PassiveParticipantDiscoveryRecord.h"
#include "passive/support/RtpsFixture.h"

#include <gtest/gtest.h>

namespace Quorvel::passive {
namespace {

using testing::Bytes;
using testing::Endian;
using testing::Parameter;
using testing::PutU32;
using testing::Sentinel;
using Quorvel::testing::LogCapture;

const Bytes kGuid = {0x01, 0x10, 0xaa, 0xbb, 0x00, 0x00, 0x00, 0x01,
                     0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x01, 0xc1};
const std::string kGuidText = "0110aabb0000000100000002000001c1";

Bytes U32(uint32_t value, Endian endian) {
  Bytes out;
  PutU32(out, value, endian);
  return out;
}

// u32 length with the NUL, characters, NUL, padding to four bytes.
Bytes CdrString(const std::string& text, Endian endian) {
  Bytes out = U32(static_cast<uint32_t>(text.size() + 1), endian);
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
  while (out.size() % 4 != 0) out.push_back(0);
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) testing::Append(out, part);
  return out;
}

ByteOrder OrderOf(Endian endian) {
  return endian == Endian::BIG ? ByteOrder::BIG_ENDIAN_ORDER : ByteOrder::LITTLE_ENDIAN_ORDER;
}

class BothOrders : public ::testing::TestWithParam<Endian> {};

TEST_P(BothOrders, ParticipantFieldsComeFromTheirParametersAndOthersAreSkipped) {
  const Endian e = GetParam();
  const Bytes list = Concat({
      Parameter(0x3f01, {1, 2, 3, 4}, e),              // PID_EXTENDED: skipped
      Parameter(0x0015, {2, 5, 0, 0}, e),              // protocol version
      Parameter(0x000f, U32(0x00012345, e), e),        // domain id
      Parameter(0x8001, CdrString("vendor", e), e),    // a vendor PID: skipped
      Parameter(0x0000, {}, e),                        // PID_PAD
      Parameter(0x0050, kGuid, e),                     // participant GUID
      Parameter(0x8000, {0, 11, 1, 0}, e),             // product version
      Parameter(0x0062, CdrString("ddsperf", e), e),   // entity name
      Sentinel(e),
      Parameter(0x000f, U32(7, e), e),                 // after the sentinel: not read
  });
  LogCapture log;
  PassiveParticipantDiscoveryRecord record;
  WriterKey key;
  ParseParticipantParameters(WireReader(list, OrderOf(e)), record, key);

  EXPECT_EQ(record.domainId, 0x00012345u);
  EXPECT_EQ(record.protocolMajor, 2);
  EXPECT_EQ(record.protocolMinor, 5);
  EXPECT_EQ(record.protocolVersion, "2.5");
  EXPECT_EQ(record.productVersion, "0.11.1.0");
  EXPECT_EQ(record.participantName, "ddsperf");
  EXPECT_EQ(record.guidText, kGuidText);
  EXPECT_EQ(key, WriterKey::FromGuidBytes(std::span<const uint8_t, 16>(kGuid.data(), 16)));
  EXPECT_EQ(record.kindName, "PassiveParticipantDiscoveryRecord");
  EXPECT_EQ(record.sourceAddress, "0.0.0.0");
  EXPECT_EQ(log.Count("Setting by default"), 0u);
}

TEST_P(BothOrders, VendorDomainIdFillsTheDomainId) {
  const Endian e = GetParam();
  const Bytes list = Concat({Parameter(0x800f, U32(42, e), e), Sentinel(e)});
  PassiveParticipantDiscoveryRecord record;
  WriterKey key;
  ParseParticipantParameters(WireReader(list, OrderOf(e)), record, key);
  EXPECT_EQ(record.domainId, 42u);
  EXPECT_EQ(key, WriterKey{});
}

TEST_P(BothOrders, EndpointFieldsComeFromTheirParameters) {
  const Endian e = GetParam();
  const Bytes list = Concat({
      Parameter(0x0050, Bytes(16, 0xee), e),  // participant GUID: not an endpoint field
      Parameter(0x0005, CdrString("KeyedSeq", e), e),
      Parameter(0x8007, {9, 9, 9, 9}, e),
      Parameter(0x0007, CdrString("KeyedSeq_t", e), e),
      Parameter(0x005a, kGuid, e),
      Sentinel(e),
  });
  PassiveEndPointDiscoveryRecord record;
  WriterKey key;
  ParseEndpointParameters(WireReader(list, OrderOf(e)), record, key);
  EXPECT_EQ(record.topicName, "KeyedSeq");
  EXPECT_EQ(record.typeName, "KeyedSeq_t");
  EXPECT_EQ(record.endpointName, "KeyedSeq_DW");
  EXPECT_EQ(record.guidText, kGuidText);
  EXPECT_EQ(record.guidWords, key.words);
  EXPECT_EQ(key.words[3], 0x000001c1u);
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, BothOrders, ::testing::Values(Endian::LITTLE, Endian::BIG));

struct WrongLengthCase {
  const char* name;
  uint16_t pid;
  size_t length;
  std::string warning;
};

TEST(DiscoveryParameters, WrongFixedLengthsKeepTheDefaultAndWarn) {
  const std::string prefix = "Dissected a Data(p) message with ";
  const WrongLengthCase cases[] = {
      {"domain", 0x000f, 3, prefix + "PID_DOMAIN_ID not equal to 4 bytes. Setting by default to 0"},
      {"vendor domain", 0x800f, 8,
       prefix + "PID_DOMAIN_ID not equal to 4 bytes. Setting by default to 0"},
      {"guid", 0x0050, 12,
       prefix + "PID_PARTICIPANT_GUID not equal to 16 bytes. Setting by default to "},
      {"protocol", 0x0015, 2,
       prefix + "PID_PROTOCOL_VERSION not equal to 4 bytes. Setting by default to "},
      {"product", 0x8000, 0,
       prefix + "PID_PRODUCT_VERSION not equal to 4 bytes. Setting by default to "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes list = Concat({Parameter(c.pid, Bytes(c.length, 0x11), Endian::LITTLE),
                               Sentinel(Endian::LITTLE)});
    LogCapture log;
    PassiveParticipantDiscoveryRecord record;
    WriterKey key;
    ParseParticipantParameters(WireReader(list, ByteOrder::LITTLE_ENDIAN_ORDER), record, key);
    EXPECT_EQ(record.domainId, 0u);
    EXPECT_EQ(record.guidText, "");
    EXPECT_EQ(record.protocolVersion, "");
    EXPECT_EQ(record.productVersion, "");
    EXPECT_EQ(key, WriterKey{});
    const auto messages = log.Messages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), c.warning), 1);
  }

  LogCapture log;
  const Bytes list = Concat({Parameter(0x005a, Bytes(12, 0x22), Endian::BIG), Sentinel(Endian::BIG)});
  PassiveEndPointDiscoveryRecord record;
  WriterKey key;
  ParseEndpointParameters(WireReader(list, ByteOrder::BIG_ENDIAN_ORDER), record, key);
  EXPECT_FALSE(record.HasGuid());
  EXPECT_EQ(log.Count("Dissected a Data(w)/(r) message with PID_ENDPOINT_GUID not equal to 16 "
                      "bytes. Setting by default to "),
            1u);
}

TEST(DiscoveryParameters, ListsRunningPastTheAnnouncementAreRejected) {
  const Endian e = Endian::LITTLE;
  Bytes longString = U32(200, e);  // claims 200 characters, holds 4
  testing::Append(longString, {'a', 'b', 'c', 0});
  Bytes shortLength = Parameter(0x0005, CdrString("KeyedSeq", e), e);
  shortLength[2] = 2;  // the parameter holds only part of its string length field
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"no sentinel", Parameter(0x0005, CdrString("KeyedSeq", e), e)},
      {"cut sentinel", Concat({Parameter(0x0005, CdrString("T", e), e), {0x01, 0x00}})},
      {"parameter past the end", Concat({Parameter(0x0007, CdrString("T", e), e), Sentinel(e)})},
      {"string past its parameter", Concat({Parameter(0x0007, longString, e), Sentinel(e)})},
      {"string length cut", Concat({shortLength, Sentinel(e)})},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    Bytes list = bytes;
    if (std::string(name) == "parameter past the end") list[2] = 0x40;  // 64 > what is left
    PassiveEndPointDiscoveryRecord record;
    WriterKey key;
    EXPECT_THROW(ParseEndpointParameters(WireReader(list, ByteOrder::LITTLE_ENDIAN_ORDER),
                                         record, key),
                 WireError);
  }
}

// The list handed to the parsers starts after the encapsulation header of the DATA payload and
// is read in the payload's byte order, whatever the sub-message order.
TEST(DiscoveryParameters, TheListOfARoutedDataWIsFoundInItsSubMessage) {
  for (const Endian payloadOrder : {Endian::LITTLE, Endian::BIG}) {
    for (const Endian subMessageOrder : {Endian::LITTLE, Endian::BIG}) {
      const Endian e = payloadOrder;
      Bytes payload = {0x00, static_cast<uint8_t>(e == Endian::BIG ? 0x02 : 0x03), 0x00, 0x00};
      testing::Append(payload, Concat({Parameter(0x0005, CdrString("Topic", e), e),
                                       Parameter(0x0007, CdrString("Type", e), e),
                                       Parameter(0x005a, kGuid, e), Sentinel(e)}));
      testing::DataSpec spec;
      spec.endian = subMessageOrder;
      spec.writerId = EntityId::kPublicationsWriter;
      spec.inlineQos = Concat({Parameter(0x0070, Bytes(16, 0x33), subMessageOrder),
                               Sentinel(subMessageOrder)});
      spec.payload = payload;
      testing::RtpsFixture fixture;
      fixture.Process(testing::Data(spec));
      ASSERT_EQ(fixture.targets->endpoints.size(), 1u);

      PassiveEndPointDiscoveryRecord record;
      WriterKey key;
      ParseEndpointParameters(DiscoveryParameterList(*fixture.targets->endpoints[0]), record, key);
      EXPECT_EQ(record.topicName, "Topic");
      EXPECT_EQ(record.typeName, "Type");
      EXPECT_EQ(record.guidText, kGuidText);
    }
  }
}

}  // namespace
}  // namespace Quorvel::passive
