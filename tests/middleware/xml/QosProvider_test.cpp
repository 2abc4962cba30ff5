#include "engine/support/Thrown.h"
#include "middleware/xml/InternalTypes.h"
#include "middleware/xml/QosProvider.h"
#include "middleware/xml/support/TypeExpectations.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace Quorvel::xml::test {
namespace {

using xtypes::TypeKind;

std::string ErrorOf(const std::function<void()>& action) {
    return Quorvel::Testing::Thrown<std::runtime_error>(action);
}

// As the engine feeds it: accepted type files as includes of one <dds> text, <dds> files by path.
QosProvider MakeProvider() {
    QosProviderParams params;
    params.string_profile = {"<dds><types><include file=\"" + (TypesDir() / "geo/track.xml").string() +
                             "\"/><include file=\"" + (TypesDir() / "sensors/sensors.xml").string() +
                             "\"/></types></dds>"};
    params.url_profile = {(TypesDir() / "system.xml").string()};
    return QosProvider(params);
}

TEST(QosProvider, StringAndUrlProfilesFormOneAnonymousLibrary) {
    const QosProvider provider = MakeProvider();
    const auto libraries = provider.type_libraries();
    ASSERT_EQ(libraries.size(), 1u);
    const auto track = provider.type(libraries.front(), "Geo::Track");
    EXPECT_EQ(track->name(), "Geo::Track");
    EXPECT_EQ(track->kind(), TypeKind::STRUCTURE);
    // Types from system.xml itself, and from files both profiles reach, are there once.
    EXPECT_EQ(provider.type(libraries.front(), "Heartbeat")->member_count(), 2u);
    EXPECT_EQ(provider.types().size(), 26u);
    EXPECT_EQ(provider.provider_params().url_profile.size(), 1u);
}

TEST(QosProvider, UnknownTypeOrLibraryIsReported) {
    const QosProvider provider = MakeProvider();
    EXPECT_EQ(ErrorOf([&] { provider.type("", "Geo::Trak"); }),
              "Unknown type 'Geo::Trak': no type library defines it");
    EXPECT_EQ(ErrorOf([&] { provider.type("Other", "Geo::Track"); }), "Unknown type library 'Other'");
}

TEST(QosProvider, EmptyTypesDocumentStillHasTheAnonymousLibrary) {
    const QosProvider provider(QosProviderParams{{"<dds><types></types></dds>"}, {}});
    ASSERT_EQ(provider.type_libraries().size(), 1u);
    EXPECT_EQ(provider.types().size(), 0u);
}

TEST(QosProvider, BrokenDocumentFailsConstruction) {
    const std::string path = std::filesystem::weakly_canonical(TypesDir() / "broken/unknown_type.xml").string();
    EXPECT_EQ(ErrorOf([&] { QosProvider(QosProviderParams{{}, {path}}); }),
              "Unknown type 'Geo::Pointt' for member 'pos' of struct 'Geo::Track' in " + path);
}

TEST(QosProvider, ConcurrentLookupsSeeTheSameTypes) {
    const QosProvider provider = MakeProvider();
    const auto expected = provider.type("", "Sensors::Sensor");
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                if (provider.type("", "Sensors::Sensor") != expected) ++mismatches;
                if (provider.type("", "Geo::TrackValue")->kind() != TypeKind::UNION) ++mismatches;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST(InternalTypes, TheMetadataDocumentLoads) {
    const QosProvider provider(QosProviderParams{{std::string(InternalTypesXml())}, {}});
    const TypeLibrary& types = provider.types();
    EXPECT_EQ(types.Names(), (std::vector<std::string>{
                                 "ParticipantDiscoveryType", "EndpointDiscoveryType", "SampleStateKind",
                                 "ViewStateKind", "InstanceStateKind", "SampleInfoStruct",
                                 "CommonMetadataStruct", "IPHeaderStruct", "UDPHeaderStruct",
                                 "PassiveMetadataStruct", "SampleMetadataStruct"}));
    ExpectMembers(Get(types, "ParticipantDiscoveryType"),
                  {{"domain_id", "long", 0}, {"entity_name", "string<1000>", 1}, {"entity_guid", "string<34>", 2},
                   {"product_version", "string<100>", 3}, {"protocol_version", "string<100>", 4}});
    ExpectMembers(Get(types, "EndpointDiscoveryType"),
                  {{"entity_name", "string<1000>", 0}, {"entity_guid", "string<34>", 1},
                   {"topic_name", "string<255>", 2}, {"type_name", "string<255>", 3}});
    EXPECT_EQ(DescribeType(Get(types, "InstanceStateKind")),
              "InstanceStateKind ENUMERATION ext=0 bits=32 DDS_ALIVE_INSTANCE_STATE=1 "
              "DDS_NOT_ALIVE_DISPOSED_INSTANCE_STATE=2 DDS_NOT_ALIVE_NO_WRITERS_INSTANCE_STATE=4");
    EXPECT_EQ(DescribeType(Get(types, "SampleStateKind")),
              "SampleStateKind ENUMERATION ext=0 bits=32 DDS_READ_SAMPLE_STATE=1 DDS_NOT_READ_SAMPLE_STATE=2");
    EXPECT_EQ(DescribeType(Get(types, "ViewStateKind")),
              "ViewStateKind ENUMERATION ext=0 bits=32 DDS_NEW_VIEW_STATE=1 DDS_NOT_NEW_VIEW_STATE=2");
    ExpectMembers(Get(types, "SampleInfoStruct"),
                  {{"sample_state", "SampleStateKind", 0},
                   {"view_state", "ViewStateKind", 1},
                   {"instance_state", "InstanceStateKind", 2},
                   {"source_timestamp_microsec", "unsigned long long", 3},
                   {"source_timestamp_iso", "unsigned long long", 4},
                   {"reception_timestamp_microsec", "unsigned long long", 5},
                   {"reception_timestamp_iso", "unsigned long long", 6},
                   {"publication_sequence_number", "unsigned long long", 7},
                   {"reception_sequence_number", "unsigned long long", 8},
                   {"instance_handle", "string<34>", 9},
                   {"publication_handle", "string<34>", 10},
                   {"disposed_generation_count", "long", 11},
                   {"no_writers_generation_count", "long", 12},
                   {"sample_rank", "long", 13},
                   {"generation_rank", "long", 14},
                   {"absolute_generation_rank", "long", 15},
                   {"valid_data", "boolean", 16},
                   {"publication_virtual_guid", "string<34>", 17},
                   {"publication_virtual_sequence_number", "unsigned long long", 18},
                   {"original_publication_virtual_guid", "string<34>", 19},
                   {"original_publication_virtual_sequence_number", "unsigned long long", 20},
                   {"source_guid", "string<34>", 21},
                   {"related_source_guid", "string<34>", 22},
                   {"related_subscription_guid", "string<34>", 23}});
    ExpectMembers(Get(types, "CommonMetadataStruct"), {{"topic_name", "string<255>", 0}, {"domain_id", "long", 1}});
    ExpectMembers(Get(types, "IPHeaderStruct"),
                  {{"version", "octet", 0}, {"header_length", "unsigned long", 1}, {"tos", "octet", 2},
                   {"total_len", "unsigned long", 3}, {"identification", "unsigned short", 4},
                   {"dont_fragment_flag", "octet", 5}, {"more_fragments_flag", "octet", 6},
                   {"fragment_offset", "unsigned short", 7}, {"ttl", "unsigned short", 8},
                   {"crc", "unsigned short", 9}, {"src_ip", "string<40>", 10}, {"dst_ip", "string<40>", 11}});
    ExpectMembers(Get(types, "UDPHeaderStruct"),
                  {{"src_port", "unsigned short", 0}, {"dst_port", "unsigned short", 1},
                   {"length", "unsigned short", 2}, {"crc", "unsigned short", 3}});
    ExpectMembers(Get(types, "PassiveMetadataStruct"),
                  {{"IPHeader", "IPHeaderStruct", 0}, {"UDPHeader", "UDPHeaderStruct", 1}});
    ExpectMembers(Get(types, "SampleMetadataStruct"),
                  {{"DDSSampleInfo", "SampleInfoStruct", 0}, {"CommonMetadata", "CommonMetadataStruct", 1},
                   {"PassiveMetadata", "PassiveMetadataStruct", 2}});
    EXPECT_NE(InternalTypesXml().find("xmlns:xsi="), std::string_view::npos);
}

}  // namespace
}  // namespace Quorvel::xml::test
