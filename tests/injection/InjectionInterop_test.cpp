// Message injection on the network (loopback only), proven against software we did not write
// and against the engine's own monitoring:
// - Cyclone DDS receives KeyedSeq samples injected as JSON text and as flat maps, values exact
//   (domain 196);
// - engine to engine: 5000 samples injected in one engine and monitored by another, reliable,
//   none lost or duplicated (domain 197);
// - a rich sample's ToJson and ToMap, as a monitoring engine delivers them, inject back to an
//   identical sample (domain 198);
// - every message of the public InjectMessage (domain 199).

#include "injection/support/InjectionFixture.h"
#include "active/support/CollectingListener.h"
#include "injection/support/InjectionPeers.h"
#include "middleware/cdr/CdrCodec.h"
#include "middleware/xml/TypeLibrary.h"
#include "middleware/xml/XmlTypeReader.h"
#include "support/ChildProcess.h"

#include <quorvel/Veltrane.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

namespace Quorvel {
namespace {

using namespace std::chrono_literals;
using nlohmann::ordered_json;
using FlatMap = std::map<std::string, std::string>;

constexpr auto kUserData = static_cast<unsigned long>(EngineListenerEventsOptions::USER_DATA_JSON) |
                           static_cast<unsigned long>(EngineListenerEventsOptions::USER_DATA_MAP);

std::string KeyedSeqJson(std::uint32_t seq, std::uint32_t keyval, std::uint32_t baggage) {
  ordered_json sample;
  sample["SampleData"]["seq"] = seq;
  sample["SampleData"]["keyval"] = keyval;
  sample["SampleData"]["baggage"] = ordered_json::array();
  for (std::uint32_t b = 0; b < baggage; ++b) sample["SampleData"]["baggage"].push_back((seq + b) % 256);
  return sample.dump();
}

FlatMap KeyedSeqMap(std::uint32_t seq, std::uint32_t keyval, std::uint32_t baggage) {
  FlatMap fields{{"SampleData.seq", std::to_string(seq)}, {"SampleData.keyval", std::to_string(keyval)}};
  for (std::uint32_t b = 0; b < baggage; ++b)
    fields["SampleData.baggage[" + std::to_string(b) + "]"] = std::to_string((seq + b) % 256);
  return fields;
}

// The line the Cyclone subscriber prints for such a sample.
std::string PeerLine(std::uint32_t seq, std::uint32_t keyval, std::uint32_t baggage) {
  std::uint64_t sum = 0;
  for (std::uint32_t b = 0; b < baggage; ++b) sum += (seq + b) % 256;
  return std::to_string(seq) + " " + std::to_string(keyval) + " " + std::to_string(baggage) + " " +
         std::to_string(sum);
}

bool WaitForOutput(const testing::ChildProcess& peer, const std::string& text, std::chrono::seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (peer.Output().find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

TEST(InjectionInterop, CycloneReceivesSamplesInjectedAsJsonAndAsMaps) {
  const std::string peerPath = std::string(VELTRANE_BINARY_DIR) + "/tests/interop_peers/rich_peer";
  if (!std::filesystem::exists(peerPath)) GTEST_SKIP() << "rich_peer not built (no Cyclone DDS)";
  constexpr std::uint32_t kEach = 20;
  testing::ChildProcess peer({peerPath, "subscribe", "196", "DDSPerfRDataKS", std::to_string(2 * kEach), "30"},
                             std::string(VELTRANE_BINARY_DIR) + "/injection_cyclone196.log");
  ASSERT_TRUE(WaitForOutput(peer, "ready", 10s)) << peer.Output();

  Veltrane injector;
  injector.Init(test::InjectorConfiguration(196));
  injector.Run();
  std::set<std::string> expected;
  for (std::uint32_t i = 0; i < kEach; ++i) {
    injector.InjectMessage("KSWriter", KeyedSeqJson(i, i % 3, i * 7), false, true);
    expected.insert(PeerLine(i, i % 3, i * 7));
  }
  for (std::uint32_t i = kEach; i < 2 * kEach; ++i) {
    injector.InjectMessage("KSWriter", KeyedSeqMap(i, 100 + i % 2, i), false, true);
    expected.insert(PeerLine(i, 100 + i % 2, i));
  }
  ASSERT_EQ(peer.Wait(), 0) << peer.Output();
  injector.Shutdown();

  std::istringstream lines(peer.Output());
  std::set<std::string> received;
  for (std::string line; std::getline(lines, line);) {
    if (line == "ready" || line.rfind("received", 0) == 0) continue;
    EXPECT_TRUE(received.insert(line).second) << "twice: " << line;
  }
  EXPECT_EQ(received, expected);
}

// A monitoring engine delivering to `listener` and an injecting engine, both running.
void StartPair(std::int64_t domain, testing::CollectingListener& listener, Veltrane& monitor, Veltrane& injector) {
  monitor.Init(test::MonitorConfiguration(domain));
  monitor.BindListener(&listener, kUserData);
  monitor.Run();
  injector.Init(test::InjectorConfiguration(domain));
  injector.Run();
}

TEST(InjectionInterop, EngineToEngineNothingIsLost) {
  constexpr std::uint32_t kSamples = 5000;
  constexpr std::uint32_t kKeys = 4;
  testing::CollectingListener listener;
  Veltrane monitor;
  Veltrane injector;
  StartPair(197, listener, monitor, injector);
  for (std::uint32_t i = 0; i < kSamples; ++i) injector.InjectMessage("KSWriter", KeyedSeqJson(i, i % kKeys, 16), false, false);
  const bool complete = listener.WaitForUserSamples(kSamples, 60s);
  std::this_thread::sleep_for(500ms);  // anything extra would show as a duplicate
  injector.Shutdown();
  monitor.Shutdown();
  ASSERT_TRUE(complete) << listener.UserMaps().size() << " of " << kSamples << " samples arrived";

  std::set<std::uint32_t> seqs;
  for (const FlatMap& fields : listener.UserMaps()) {
    const std::uint32_t seq = std::stoul(fields.at("SampleData.seq"));
    EXPECT_TRUE(seqs.insert(seq).second) << "sample " << seq << " delivered twice";
    EXPECT_EQ(fields.at("SampleData.keyval"), std::to_string(seq % kKeys));
    EXPECT_EQ(fields.at("SampleData.baggage[15]"), std::to_string((seq + 15) % 256));
  }
  EXPECT_EQ(seqs.size(), kSamples);
  EXPECT_EQ(*seqs.rbegin(), kSamples - 1);
}

ordered_json SampleData(const std::string& json) { return ordered_json::parse(json).at("SampleData"); }

FlatMap SampleDataEntries(const FlatMap& fields) {
  FlatMap data;
  for (const auto& [key, value] : fields)
    if (key.rfind("SampleData.", 0) == 0) data.emplace(key, value);
  return data;
}

TEST(InjectionInterop, DeliveredJsonAndMapInjectBackToIdenticalSamples) {
  xml::XmlTypeReader reader;
  reader.ReadFile(test::TestData("types/rich/RichTypes.xml"));
  const xml::TypeLibrary types = reader.BuildLibrary();

  testing::CollectingListener listener;
  Veltrane monitor;
  Veltrane injector;
  StartPair(198, listener, monitor, injector);

  std::size_t delivered = 0;
  std::size_t refused = 0;
  const auto injectAndReceive = [&](const std::string& writer, const auto& input) {
    injector.InjectMessage(writer, input, false, false);
    ++delivered;
    EXPECT_TRUE(listener.WaitForUserSamples(delivered, 10s)) << "nothing arrived for sample " << delivered;
    return std::make_pair(listener.UserJson().back(), listener.UserMaps().back());
  };
  for (const auto& [typeName, writer, valuesFile] :
       {std::tuple{"Rich::FinalAll", "FinalAllWriter", "FinalAll"},
        std::tuple{"Rich::MutableRecord", "MutableRecordWriter", "MutableRecord"}}) {
    const xtypes::DynamicTypePtr type = types.Find(typeName);
    ASSERT_TRUE(type);
    const TypeProcessor processor(typeName, type, test::Formats{}.Flattening());
    const ordered_json values = ordered_json::parse(
        test::ReadText(test::TestData(std::string("golden/rich/") + valuesFile + ".json")));
    for (const ordered_json& golden : values["samples"]) {
      const std::string name = golden["name"].get<std::string>();
      SCOPED_TRACE(name);
      xtypes::DynamicData original(type);
      cdr::from_cdr_buffer(original, test::ReadBytes(test::TestData("golden/rich/" + name + ".xcdr2.bin")));
      const test::Texts originalTexts = test::DissectTexts(processor, original, test::Formats{});

      // Cyclone's all-zero samples hold unions whose discriminator selects no case, which the
      // injector refuses by design (see GoldenRoundTrip).
      try {
        injector.InjectMessage(writer, originalTexts.json, false, false);
      } catch (const std::runtime_error& e) {
        EXPECT_THAT(e.what(), ::testing::HasSubstr("Invalid discriminator value '0'"));
        ++refused;
        continue;
      }
      ++delivered;
      ASSERT_TRUE(listener.WaitForUserSamples(delivered, 10s));
      const std::string firstJson = listener.UserJson().back();
      const FlatMap firstMap = listener.UserMaps().back();
      EXPECT_EQ(SampleData(firstJson), SampleData(originalTexts.json));
      EXPECT_EQ(SampleDataEntries(firstMap), originalTexts.map);
      // What the monitor delivered, metadata and all, goes back in as it is.
      const auto [fromJson, fromJsonMap] = injectAndReceive(writer, firstJson);
      EXPECT_EQ(SampleData(fromJson), SampleData(firstJson));
      // A flat map has no entry for an empty sequence: it is compared as a map.
      const auto [fromMap, fromMapMap] = injectAndReceive(writer, firstMap);
      EXPECT_EQ(SampleDataEntries(fromMapMap), SampleDataEntries(firstMap));
    }
  }
  injector.Shutdown();
  monitor.Shutdown();
  EXPECT_GE(delivered, 12u);
  EXPECT_LE(refused, 2u);
}

std::string PublicError(const std::function<void()>& call) {
  try {
    call();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "<no error>";
}

TEST(InjectionInterop, PublicInjectMessageReportsEachFailure) {
  using ::testing::HasSubstr;
  using ::testing::StartsWith;
  const FlatMap fields{{"SampleData.seq", "1"}};
  Veltrane injector;
  EXPECT_EQ(PublicError([&] { injector.InjectMessage("KSWriter", "{}", false, false); }),
            "Engine is not initialized");
  injector.Init(test::InjectorConfiguration(199));
  EXPECT_EQ(PublicError([&] { injector.InjectMessage("KSWriter", fields, false, false); }),
            "Cannot Inject Message if the engine in not running. Call Run() before calling this function");
  injector.Run();

  EXPECT_THAT(PublicError([&] { injector.InjectMessage("KSWriter", R"({"SampleData": [)", false, false); }),
              StartsWith("Erroneous JSON string provided. Error:[json.exception.parse_error"));
  EXPECT_THAT(PublicError([&] {
                injector.InjectMessage("KSWriter", FlatMap{{"SampleData.seq", "1"}, {"SampleData.seq.x", "2"}}, false, false);
              }),
              StartsWith("Veltrane::InjectMessage error converting map format: [json.exception."));
  const std::string unknownWriter = PublicError([&] { injector.InjectMessage("Nope", "{}", false, false); });
  EXPECT_THAT(unknownWriter, StartsWith("Veltrane::InjectMessage error : No DataWriter with Name = Nope was not "
                                        "found. Make sure that the XML participant definition file "));
  EXPECT_THAT(unknownWriter, HasSubstr("injection.xml is properly define"));
  EXPECT_EQ(PublicError([&] { injector.InjectMessage("KSWriter", R"({"SampleData": {"seq": "x"}})", false, false); }),
            "Veltrane::InjectMessage error : Error dissecting user input to DDS message on KSWriter. Error - "
            "Erroneous value 'x' provided for field 'SampleData.seq' Error = not an integer");
  EXPECT_EQ(PublicError([&] { injector.InjectMessage("KSWriter", FlatMap{{"SampleData.extra", "1"}}, false, true); }),
            "Veltrane::InjectMessage error : Error dissecting user input to DDS message on KSWriter. Error - "
            "User provided input includes unused fields: /SampleData/extra");
  EXPECT_EQ(PublicError([&] { injector.InjectMessage("KSWriter", fields, false, true); }), "<no error>");
  injector.Shutdown();

  Veltrane monitor;
  monitor.Init(test::MonitorConfiguration(199));
  monitor.Run();
  EXPECT_EQ(PublicError([&] { monitor.InjectMessage("KSWriter", "{}", false, false); }),
            "Cannot Inject Message in current operation mode. Change to MESSAGE_INJECTION. ");
  monitor.Shutdown();
}

}  // namespace
}  // namespace Quorvel
