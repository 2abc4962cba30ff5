// IPv4 reassembly: complete sets in every arrival order, gaps that never complete and are freed
// by the bounds, overlaps, duplicates, interleaved datagrams, and the stage end to end.

#include "support/LogCapture.h"
#include "passive/IPFragmentsHandler.h"
#include "passive/PacketDecoder.h"
#include "passive/WireReader.h"
#include "passive/support/WireBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace Quorvel::passive {
namespace {

using testing::Bytes;
using Quorvel::testing::LogCapture;

// A fragment as the capture stage builds it from one IPv4 packet.
std::shared_ptr<IPFragment> ToFragment(const Bytes& packet, int64_t seconds = 0) {
  WireReader reader(packet);
  auto fragment = std::make_shared<IPFragment>();
  auto header = std::make_shared<PacketHeader>();
  header->ts.tv_sec = seconds;
  fragment->packetHeader = header;
  fragment->ipHeader = std::make_shared<IPHeader>(IPHeader::Decode(reader));
  const auto payload = reader.Take(fragment->ipHeader->PayloadLength());
  fragment->payload.assign(payload.begin(), payload.end());
  return fragment;
}

Bytes Datagram(size_t size, uint8_t seed = 0) {
  Bytes payload(size);
  std::iota(payload.begin(), payload.end(), seed);
  return testing::Udp(7410, 7400, payload);
}

// Feeds the packets in `order`; returns what completed, if anything, and checks that nothing
// completed early.
std::shared_ptr<IPCompleteMessage> Feed(IPFragmentsHandler& handler,
                                        const std::vector<Bytes>& packets,
                                        const std::vector<size_t>& order) {
  std::shared_ptr<IPCompleteMessage> complete;
  for (size_t i = 0; i < order.size(); ++i) {
    handler.AddFragment(ToFragment(packets[order[i]]));
    auto now = handler.GetCompleteIPMessage();
    if (now) {
      EXPECT_EQ(complete, nullptr) << "completed twice";
      EXPECT_EQ(i, order.size() - 1) << "completed before the last piece";
      complete = std::move(now);
    }
  }
  return complete;
}

TEST(IPReassembly, EveryArrivalOrderOfACompleteSetJoinsTheSameBytes) {
  const Bytes datagram = Datagram(3000);
  const auto packets = testing::Fragment({}, datagram, 1000);  // 1000, 1000, 1000 and 8 bytes
  ASSERT_EQ(packets.size(), 4u);
  std::vector<size_t> order{0, 1, 2, 3};
  int orders = 0;
  do {
    SCOPED_TRACE(::testing::PrintToString(order));
    IPFragmentsHandler handler;
    const auto complete = Feed(handler, packets, order);
    ASSERT_NE(complete, nullptr);
    EXPECT_EQ(complete->payload, datagram);
    EXPECT_EQ(complete->ipHeader->fragment_offset, 0);  // the headers of the first piece
    EXPECT_EQ(handler.PendingDatagrams(), 0u);
    EXPECT_EQ(handler.PendingBytes(), 0u);
    ++orders;
  } while (std::next_permutation(order.begin(), order.end()));
  EXPECT_EQ(orders, 24);
}

TEST(IPReassembly, DuplicatesAreDroppedWithTheirWarningAndTheSetStillCompletes) {
  const Bytes datagram = Datagram(2000);
  const auto packets = testing::Fragment({}, datagram, 800);
  LogCapture log;
  IPFragmentsHandler handler;
  const auto complete = Feed(handler, packets, {0, 0, 1, 1, 2});
  ASSERT_NE(complete, nullptr);
  EXPECT_EQ(complete->payload, datagram);
  EXPECT_EQ(log.Count("received a duplicate IP fragment with ID 4660. Verify proper Tap / "
                      "PortMirror configuration"),
            2u);
}

TEST(IPReassembly, OverlapsAndInconsistentEndsFreeTheDatagram) {
  const Bytes datagram = Datagram(2400);
  const auto pieces = testing::Fragment({}, datagram, 800);
  // A piece at offset 400 overlapping both neighbours.
  testing::IpSpec overlapping;
  overlapping.fragmentOffset = 400;
  overlapping.moreFragments = true;
  const Bytes overlap = testing::IPv4(overlapping, Bytes(800, 0xEE));
  // A second "last" piece ending elsewhere.
  testing::IpSpec otherEnd;
  otherEnd.fragmentOffset = 800;
  const Bytes secondLast = testing::IPv4(otherEnd, Bytes(8, 0xEE));
  const std::vector<std::pair<std::vector<Bytes>, std::string>> cases{
      {{pieces[0], overlap}, "overlapping fragments"},
      {{pieces[1], overlap}, "overlapping fragments"},
      {{pieces[3], secondLast}, "a fragment lies past the datagram's last fragment"},
      {{pieces[2], secondLast}, "a fragment lies past the datagram's last fragment"},
      {{secondLast, pieces[3]}, "a fragment lies past the datagram's last fragment"},
  };
  for (const auto& [sequence, why] : cases) {
    SCOPED_TRACE(why);
    LogCapture log;
    IPFragmentsHandler handler;
    for (const Bytes& packet : sequence) handler.AddFragment(ToFragment(packet));
    EXPECT_EQ(handler.GetCompleteIPMessage(), nullptr);
    EXPECT_EQ(log.Count("Cannot construct IP fragments under ID4660 from IP 10.0.0.1: " + why),
              1u);
    EXPECT_EQ(handler.PendingDatagrams(), 0u);
    EXPECT_EQ(handler.PendingBytes(), 0u);
    // The real pieces afterwards start from scratch and complete.
    EXPECT_NE(Feed(handler, pieces, {0, 1, 2, 3}), nullptr);
  }
}

TEST(IPReassembly, InterleavedDatagramsOfTwoSendersBothComplete) {
  testing::IpSpec first;
  testing::IpSpec second;
  second.src = "10.0.0.2";  // the same identification from another host
  const Bytes a = Datagram(1600, 1);
  const Bytes b = Datagram(1600, 2);
  const auto piecesA = testing::Fragment(first, a, 800);
  const auto piecesB = testing::Fragment(second, b, 800);
  IPFragmentsHandler handler;
  std::vector<Bytes> completed;
  for (size_t i = 0; i < piecesA.size(); ++i) {
    for (const Bytes* packet : {&piecesA[i], &piecesB[piecesB.size() - 1 - i]}) {
      handler.AddFragment(ToFragment(*packet));
      if (auto complete = handler.GetCompleteIPMessage()) completed.push_back(complete->payload);
    }
  }
  EXPECT_EQ(completed, (std::vector<Bytes>{a, b}));
}

TEST(IPReassembly, SetsWithGapsNeverCompleteAndAreFreedByEveryBound) {
  const auto gapped = [](uint16_t id, uint8_t seed) {
    testing::IpSpec spec;
    spec.id = id;
    auto pieces = testing::Fragment(spec, Datagram(2400, seed), 800);
    pieces.erase(pieces.begin() + 1);  // the middle piece never comes
    return pieces;
  };
  {
    SCOPED_TRACE("count of datagrams");
    LogCapture log;
    ReassemblyLimits limits;
    limits.maxPendingDatagrams = 3;
    IPFragmentsHandler handler(limits);
    for (uint16_t id = 1; id <= 5; ++id) {
      for (const Bytes& packet : gapped(id, 0)) handler.AddFragment(ToFragment(packet));
      EXPECT_EQ(handler.GetCompleteIPMessage(), nullptr);
    }
    EXPECT_EQ(handler.PendingDatagrams(), 3u);
    EXPECT_EQ(log.Count("Cannot construct IP fragments under ID1 from IP 10.0.0.1: 3 incomplete "
                        "datagrams are pending"), 1u);
    EXPECT_EQ(log.Count("Cannot construct IP fragments under ID2 "), 1u);
    EXPECT_EQ(log.Count("Cannot construct IP fragments under ID3 "), 0u);
  }
  {
    SCOPED_TRACE("bytes");
    LogCapture log;
    ReassemblyLimits limits;
    limits.maxPendingBytes = 4000;
    IPFragmentsHandler handler(limits);
    for (uint16_t id = 1; id <= 3; ++id) {
      for (const Bytes& packet : gapped(id, 0)) handler.AddFragment(ToFragment(packet));
    }
    EXPECT_LE(handler.PendingBytes(), 4000u);
    EXPECT_EQ(log.Count("bytes of fragments are pending"), 1u);
  }
  {
    SCOPED_TRACE("fragments per datagram");
    LogCapture log;
    ReassemblyLimits limits;
    limits.maxFragmentsPerDatagram = 2;
    IPFragmentsHandler handler(limits);
    for (const Bytes& packet : testing::Fragment({}, Datagram(2400), 400)) {
      handler.AddFragment(ToFragment(packet));
    }
    EXPECT_EQ(log.Count("more than 2 fragments"), 2u);  // pieces 3 and 6
  }
  {
    SCOPED_TRACE("age");
    LogCapture log;
    IPFragmentsHandler handler;
    const auto pieces = gapped(9, 0);
    handler.AddFragment(ToFragment(pieces[0], 100));
    handler.AddFragment(ToFragment(gapped(10, 0)[0], 131));
    EXPECT_EQ(log.Count("under ID9 from IP 10.0.0.1: no fragment completed it within 30 s"), 1u);
    EXPECT_EQ(handler.PendingDatagrams(), 1u);
  }
  {
    SCOPED_TRACE("past the largest datagram");
    LogCapture log;
    IPFragmentsHandler handler;
    testing::IpSpec spec;
    spec.fragmentOffset = 65000;
    handler.AddFragment(ToFragment(testing::IPv4(spec, Bytes(600, 0))));
    EXPECT_EQ(log.Count("ending at byte 65600, past the largest IPv4 datagram"), 1u);
    EXPECT_EQ(handler.PendingDatagrams(), 0u);
  }
}

TEST(IPReassembly, TheCaptureStageDeliversAFragmentedRtpsMessageOnceWhole) {
  Bytes rtps = testing::RtpsHeader(Bytes(12, 0x42));
  rtps.resize(5000, 0x5A);
  testing::IpSpec spec;
  spec.id = 999;
  const auto packets = testing::Fragment(spec, testing::Udp(7410, 7400, rtps), 1480);
  PacketDecoder decoder(LinkType::ETHERNET);
  std::vector<std::shared_ptr<RTPSMessage>> messages;
  for (auto it = packets.rbegin(); it != packets.rend(); ++it) {  // last piece first
    if (auto message = decoder.Decode(PacketHeader{}, testing::Ethernet(*it))) {
      messages.push_back(message);
    }
  }
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(*messages[0]->payload, rtps);
  EXPECT_EQ(messages[0]->udpHeader->length, rtps.size() + 8);
  EXPECT_EQ(messages[0]->ipHeader->identification, 999);
  EXPECT_EQ(decoder.Fragments().PendingDatagrams(), 0u);
}

}  // namespace
}  // namespace Quorvel::passive
