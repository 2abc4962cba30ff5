// The QoS side of the provider: base_name chains over builtin and user profiles, several
// bases, per-topic QoS, the default profile, participant definitions, and refusals.

#include "middleware/xml/BuiltinQosProfiles.h"
#include "middleware/xml/QosProfileLibrary.h"
#include "middleware/xml/QosProvider.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace Quorvel::testing {
namespace {

using namespace xml;

QosProvider StationProvider() {
  QosProviderParams params;
  for (const char* file : {"qos/base_qos.xml", "qos/app_qos.xml", "participants/monitor.xml"})
    params.url_profile.push_back(ProfilesData(file).string());
  return QosProvider(params);
}

std::string ProviderError(const std::string& document) {
  try {
    QosProvider provider(QosProviderParams{{document}, {}});
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "<no error>";
}

TEST(QosProfiles, DefaultProfileOverBuiltinPreset) {
  const QosProvider provider = StationProvider();
  EXPECT_EQ(provider.default_profile(), "BaseLib::Reliable");
  EXPECT_TRUE(provider.is_default_qos("BaseLib::Reliable"));
  EXPECT_FALSE(provider.is_default_qos("BaseLib::KeepLast"));

  const QosPolicies reader = provider.datareader_qos();
  EXPECT_EQ(reader.reliabilityKind, ReliabilityKind::RELIABLE);           // Generic.StrictReliable
  EXPECT_EQ(reader.historyKind, HistoryKind::KEEP_ALL);                   // Generic.StrictReliable
  EXPECT_EQ(reader.maxSamples, LENGTH_UNLIMITED);                         // Generic.StrictReliable
  EXPECT_EQ(reader.durabilityKind, DurabilityKind::TRANSIENT_LOCAL);      // the profile's own
  EXPECT_EQ(reader.deadlinePeriod, (QosDuration{2, 500000000}));

  const QosPolicies writer = provider.datawriter_qos();
  ASSERT_TRUE(writer.reliabilityMaxBlockingTime);
  EXPECT_TRUE(writer.reliabilityMaxBlockingTime->IsInfinite());
  EXPECT_EQ(writer.lifespan, (QosDuration{30, 0}));
  EXPECT_EQ(writer.durabilityKind, DurabilityKind::VOLATILE);
  // A policy the record does not hold is ignored, not refused.
  EXPECT_EQ(writer.ignoredPolicies, std::vector<std::string>{"writer_data_lifecycle"});
}

TEST(QosProfiles, TopicFilterChoosesThePerTopicElement) {
  const QosProvider provider = StationProvider();
  const QosPolicies sensors = provider.datareader_qos_w_topic_name("SensorReadings");
  EXPECT_EQ(sensors.historyKind, HistoryKind::KEEP_LAST);
  EXPECT_EQ(sensors.historyDepth, 50);
  EXPECT_EQ(sensors.timeBasedFilterMinimumSeparation, (QosDuration{0, 100000000}));
  // The per-topic element replaces the general one: no deadline, the preset's durability.
  EXPECT_FALSE(sensors.deadlinePeriod);
  EXPECT_EQ(sensors.durabilityKind, DurabilityKind::VOLATILE);

  // A topic no filter matches gets the general element; so does a query without a topic.
  EXPECT_EQ(provider.datareader_qos_w_topic_name("Tracks"), provider.datareader_qos());
  EXPECT_EQ(provider.datawriter_qos_w_topic_name("SensorReadings"), provider.datawriter_qos());
}

TEST(QosProfiles, ChainOfBasesDownToABuiltinProfile) {
  // AppLib::Telemetry -> BaseLib::Sensors -> BaseLib::KeepLast -> Generic.KeepLastReliable
  const QosProvider provider = StationProvider();
  const QosPolicies tracks = provider.qos("AppLib::Telemetry", QosEntityKind::DATAREADER, "Tracks");
  EXPECT_EQ(tracks.reliabilityKind, ReliabilityKind::BEST_EFFORT);      // Sensors
  EXPECT_EQ(tracks.destinationOrderKind, DestinationOrderKind::BY_SOURCE_TIMESTAMP);
  EXPECT_EQ(tracks.historyKind, HistoryKind::KEEP_ALL);                 // Telemetry, Track*
  EXPECT_EQ(tracks.historyDepth, 10);                                   // KeepLast
  EXPECT_EQ(tracks.maxSamples, 1000);
  EXPECT_EQ(tracks.maxInstances, 100);
  EXPECT_EQ(tracks.maxSamplesPerInstance, 10);
  EXPECT_EQ(tracks.livelinessKind, LivelinessKind::MANUAL_BY_TOPIC);
  EXPECT_EQ(tracks.livelinessLeaseDuration, (QosDuration{5, 0}));
  EXPECT_EQ(tracks.latencyBudget, (QosDuration{0, 5000000}));
  EXPECT_EQ(tracks.durabilityKind, DurabilityKind::VOLATILE);           // Generic.KeepLastReliable

  // Another topic: Telemetry has no element for it, so the bases alone answer.
  const QosPolicies commands = provider.qos("AppLib::Telemetry", QosEntityKind::DATAREADER, "Commands");
  EXPECT_EQ(commands.historyKind, HistoryKind::KEEP_LAST);
  EXPECT_FALSE(commands.latencyBudget);
  EXPECT_EQ(commands, provider.qos("BaseLib::Sensors", QosEntityKind::DATAREADER));

  // The element's own base (Pattern.LastValueCache) comes after the profile's bases.
  const QosPolicies writer = provider.qos("AppLib::Telemetry", QosEntityKind::DATAWRITER);
  EXPECT_EQ(writer.historyDepth, 1);
  EXPECT_EQ(writer.durabilityKind, DurabilityKind::TRANSIENT_LOCAL);
  EXPECT_EQ(writer.ownershipKind, OwnershipKind::EXCLUSIVE);
  EXPECT_EQ(writer.ownershipStrength, 20);
  EXPECT_EQ(writer.entityName, "telemetry_writer");
}

TEST(QosProfiles, SeveralBasesLaterOverridesEarlier) {
  const QosProvider provider = StationProvider();
  const QosPolicies archive = provider.qos("AppLib::Archive", QosEntityKind::DATAREADER);
  EXPECT_EQ(archive.reliabilityKind, ReliabilityKind::RELIABLE);         // TransientLocal over Sensors
  EXPECT_EQ(archive.historyDepth, 1);
  EXPECT_EQ(archive.durabilityKind, DurabilityKind::TRANSIENT_LOCAL);
  EXPECT_EQ(archive.maxSamples, 1000);                                   // only Sensors sets it
  EXPECT_EQ(archive.partitions, (std::vector<std::string>{"archive", "fleet/*"}));
}

TEST(QosProfiles, ParticipantDefinitionsCarryResolvedQos) {
  const QosProvider provider = StationProvider();
  EXPECT_EQ(provider.participant_definitions(),
            (std::vector<std::string>{"StationParticipants::Monitor", "StationParticipants::Recorder"}));
  const ParticipantDefinition* monitor = provider.participant_definition("StationParticipants::Monitor");
  ASSERT_NE(monitor, nullptr);
  EXPECT_EQ(monitor->domainRef, "StationDomains::Field");
  EXPECT_EQ(monitor->domainId, 42);  // the domain's
  EXPECT_EQ(monitor->qos.entityName, "veltrane_monitor");
  EXPECT_EQ(monitor->qos.udpOnlyTransport, true);
  EXPECT_EQ(monitor->qos.allowedInterfaces, (std::vector<std::string>{"127.0.0.1", "lo"}));
  EXPECT_NE(std::find(monitor->qos.ignoredPolicies.begin(), monitor->qos.ignoredPolicies.end(), "discovery"),
            monitor->qos.ignoredPolicies.end());

  ASSERT_EQ(monitor->subscribers.size(), 2u);
  const EndpointGroupDefinition& tracks = monitor->subscribers[0];
  EXPECT_EQ(tracks.name, "TrackSubscriber");
  EXPECT_EQ(tracks.qos.partitions, std::vector<std::string>{"archive"});
  ASSERT_EQ(tracks.endpoints.size(), 2u);
  EXPECT_EQ(tracks.endpoints[0].qualifiedName, "TrackSubscriber::TrackReader");
  EXPECT_EQ(tracks.endpoints[0].qos, provider.qos("AppLib::Telemetry", QosEntityKind::DATAREADER, "Tracks"));
  EXPECT_EQ(tracks.endpoints[1].topicRef, "TrackArchive");
  EXPECT_EQ(tracks.endpoints[1].qos.historyDepth, 3);  // inline, over AppLib::Archive
  EXPECT_EQ(tracks.endpoints[1].qos.durabilityKind, DurabilityKind::TRANSIENT_LOCAL);

  ASSERT_EQ(monitor->publishers.size(), 1u);
  const EndpointGroupDefinition& commands = monitor->publishers[0];
  ASSERT_EQ(commands.endpoints.size(), 2u);
  // A writer without a QoS element takes the default profile's QoS for its topic.
  EXPECT_EQ(commands.endpoints[1].name, "TrackEcho");
  EXPECT_EQ(commands.endpoints[1].qos, provider.datawriter_qos_w_topic_name("Tracks"));

  const ParticipantDefinition* recorder = provider.participant_definition("StationParticipants::Recorder");
  ASSERT_NE(recorder, nullptr);
  EXPECT_EQ(recorder->domainId, 43);  // its own
  EXPECT_EQ(provider.participant_definition("StationParticipants::Nope"), nullptr);

  const DomainDefinition* field = provider.domain_definition("StationDomains::Field");
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->registeredTypes.size(), 4u);
  EXPECT_EQ(field->registeredTypes[2].kind, "userGenerated");
  ASSERT_EQ(field->topics.size(), 4u);
  EXPECT_EQ(field->topics[0].qos.historyKind, HistoryKind::KEEP_ALL);  // BaseLib::Reliable's preset
}

TEST(QosProfiles, EveryBuiltinNameResolves) {
  const std::vector<std::string>& names = BuiltinQosProfileNames();
  ASSERT_EQ(names.size(), 42u);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 42u);
  const QosProvider provider(QosProviderParams{{"<dds/>"}, {}});
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(name.rfind("BuiltinQosLib::", 0), 0u);
    EXPECT_NO_THROW(provider.qos(name, QosEntityKind::DATAREADER));
  }
  struct Preset {
    const char* name;
    std::optional<ReliabilityKind> reliability;
    std::optional<HistoryKind> history;
    std::optional<DurabilityKind> durability;
  };
  const Preset presets[] = {
      {"Baseline.6.1.0", std::nullopt, std::nullopt, std::nullopt},
      {"Generic.BestEffort", ReliabilityKind::BEST_EFFORT, HistoryKind::KEEP_LAST, DurabilityKind::VOLATILE},
      {"Generic.StrictReliable.LargeData.SlowFlow", ReliabilityKind::RELIABLE, HistoryKind::KEEP_ALL,
       DurabilityKind::VOLATILE},
      {"Generic.KeepLastReliable.Persistent", ReliabilityKind::RELIABLE, HistoryKind::KEEP_LAST,
       DurabilityKind::PERSISTENT},
      {"Pattern.LastValueCache", ReliabilityKind::RELIABLE, HistoryKind::KEEP_LAST, DurabilityKind::TRANSIENT_LOCAL},
      {"Pattern.Streaming", ReliabilityKind::BEST_EFFORT, HistoryKind::KEEP_LAST, DurabilityKind::VOLATILE},
      {"Pattern.AlarmEvent", ReliabilityKind::RELIABLE, HistoryKind::KEEP_ALL, DurabilityKind::VOLATILE},
  };
  for (const Preset& preset : presets) {
    SCOPED_TRACE(preset.name);
    const QosPolicies qos = provider.qos(std::string("BuiltinQosLib::") + preset.name, QosEntityKind::DATAWRITER);
    EXPECT_EQ(qos.reliabilityKind, preset.reliability);
    EXPECT_EQ(qos.historyKind, preset.history);
    EXPECT_EQ(qos.durabilityKind, preset.durability);
  }
  EXPECT_FALSE(BuiltinQosPreset("BuiltinQosLib::Generic.Nope"));
}

TEST(QosProfiles, RefusalsNameTheProblem) {
  struct Refusal {
    const char* document;
    std::string expected;
  };
  const Refusal refusals[] = {
      {"<dds><qos_library name='L'><qos_profile name='A' base_name='B'/><qos_profile name='B' base_name='A'/>"
       "</qos_library></dds>",
       "QoS profile L::A inherits from itself: L::A -> L::B -> L::A"},
      {"<dds><qos_library name='L'><qos_profile name='A' base_name='Nope'/></qos_library></dds>",
       "Cannot find base_name 'Nope' of QoS profile L::A"},
      {"<dds><qos_library name='L'><qos_profile name='A'><datareader_qos base_name='L::A'/></qos_profile>"
       "</qos_library></dds>",
       "QoS profile L::A inherits from itself: L::A -> L::A"},
      {"<dds><qos_library name='L'><qos_profile name='A'/><qos_profile name='A'/></qos_library></dds>",
       "QoS profile L::A of string_profile[0] is defined twice"},
      {"<dds><qos_library name='L'><qos_profile name='A'><datareader_qos><history><depth>ten</depth></history>"
       "</datareader_qos></qos_profile></qos_library></dds>",
       "QoS value 'ten' of <history><depth> is not a 32-bit integer (in string_profile[0])"},
      {"<dds><qos_library name='L'><qos_profile name='A'><datawriter_qos><reliability><kind>SOMETIMES</kind>"
       "</reliability></datawriter_qos></qos_profile></qos_library></dds>",
       "QoS value 'SOMETIMES' of <reliability><kind> is not a known kind (in string_profile[0])"},
      {"<dds><qos_library name='L'><qos_profile name='A'><datawriter_qos><deadline><period><sec>1</sec>"
       "<nanosec>1000000000</nanosec></period></deadline></datawriter_qos></qos_profile></qos_library></dds>",
       "QoS value '1000000000' of <deadline><period><nanosec> is not in [0, 999999999] (in string_profile[0])"},
      {"<dds><domain_participant_library name='P'><domain_participant name='N'>"
       "<participant_qos base_name='L::Missing'/></domain_participant></domain_participant_library></dds>",
       "Cannot find base_name 'L::Missing' of <participant_qos>"},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.document);
    EXPECT_EQ(ProviderError(refusal.document), refusal.expected);
  }
}

TEST(QosProfiles, DurationsAndKindsInEverySpelling) {
  const QosProvider provider(QosProviderParams{
      {"<dds><qos_library name='L'><qos_profile name='A'><datareader_qos>"
       "<reliability><kind>DDS_BEST_EFFORT_RELIABILITY_QOS</kind></reliability>"
       "<deadline><period><sec>DURATION_INFINITE_SEC</sec><nanosec>DURATION_INFINITE_NSEC</nanosec></period>"
       "</deadline>"
       "<lifespan><duration><sec>3</sec></duration></lifespan>"
       "<latency_budget><duration><sec>DURATION_AUTO_SEC</sec><nanosec>DURATION_AUTO_NSEC</nanosec></duration>"
       "</latency_budget>"
       "<resource_limits><max_samples>LENGTH_UNLIMITED</max_samples></resource_limits>"
       "<history><depth> 7 </depth></history>"
       "</datareader_qos></qos_profile></qos_library></dds>"},
      {}});
  const QosPolicies qos = provider.qos("L::A", QosEntityKind::DATAREADER);
  EXPECT_EQ(qos.reliabilityKind, ReliabilityKind::BEST_EFFORT);
  EXPECT_EQ(qos.deadlinePeriod, QosDuration::Infinite());
  EXPECT_EQ(qos.lifespan, (QosDuration{3, 0}));
  EXPECT_EQ(qos.latencyBudget, (QosDuration{DURATION_INFINITE_SEC, 0}));
  EXPECT_EQ(qos.maxSamples, LENGTH_UNLIMITED);
  EXPECT_EQ(qos.historyDepth, 7);
  EXPECT_FALSE(qos.historyKind);  // a partial policy sets only what it states
  // No default profile: the reader QoS sets nothing.
  EXPECT_TRUE(provider.datareader_qos().Empty());
}

TEST(QosProfiles, ConcurrentLookupsAgree) {
  const QosProvider provider = StationProvider();
  const QosPolicies expected = provider.qos("AppLib::Telemetry", QosEntityKind::DATAREADER, "Tracks");
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i)
        if (!(provider.qos("AppLib::Telemetry", QosEntityKind::DATAREADER, "Tracks") == expected)) ++mismatches[t];
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace Quorvel::testing
