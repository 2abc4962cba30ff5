#include "middleware/xml/InternalTypes.h"

namespace Quorvel::xml {

namespace {

// GUIDs and handles are "0x" + 32 hex digits, hence the 34-character strings. The two "iso"
// timestamps stay uint64 here: their text form is made when the metadata is dissected.
constexpr std::string_view kInternalTypes = R"xml(<dds xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
  <types>
    <struct name="ParticipantDiscoveryType">
      <member name="domain_id" type="int32"/>
      <member name="entity_name" type="string" stringMaxLength="1000"/>
      <member name="entity_guid" type="string" stringMaxLength="34"/>
      <member name="product_version" type="string" stringMaxLength="100"/>
      <member name="protocol_version" type="string" stringMaxLength="100"/>
    </struct>
    <struct name="EndpointDiscoveryType">
      <member name="entity_name" type="string" stringMaxLength="1000"/>
      <member name="entity_guid" type="string" stringMaxLength="34"/>
      <member name="topic_name" type="string" stringMaxLength="255"/>
      <member name="type_name" type="string" stringMaxLength="255"/>
    </struct>
    <enum name="SampleStateKind">
      <enumerator name="DDS_READ_SAMPLE_STATE" value="1"/>
      <enumerator name="DDS_NOT_READ_SAMPLE_STATE" value="2"/>
    </enum>
    <enum name="ViewStateKind">
      <enumerator name="DDS_NEW_VIEW_STATE" value="1"/>
      <enumerator name="DDS_NOT_NEW_VIEW_STATE" value="2"/>
    </enum>
    <enum name="InstanceStateKind">
      <enumerator name="DDS_ALIVE_INSTANCE_STATE" value="1"/>
      <enumerator name="DDS_NOT_ALIVE_DISPOSED_INSTANCE_STATE" value="2"/>
      <enumerator name="DDS_NOT_ALIVE_NO_WRITERS_INSTANCE_STATE" value="4"/>
    </enum>
    <struct name="SampleInfoStruct">
      <member name="sample_state" type="nonBasic" nonBasicTypeName="SampleStateKind"/>
      <member name="view_state" type="nonBasic" nonBasicTypeName="ViewStateKind"/>
      <member name="instance_state" type="nonBasic" nonBasicTypeName="InstanceStateKind"/>
      <member name="source_timestamp_microsec" type="uint64"/>
      <member name="source_timestamp_iso" type="uint64"/>
      <member name="reception_timestamp_microsec" type="uint64"/>
      <member name="reception_timestamp_iso" type="uint64"/>
      <member name="publication_sequence_number" type="uint64"/>
      <member name="reception_sequence_number" type="uint64"/>
      <member name="instance_handle" type="string" stringMaxLength="34"/>
      <member name="publication_handle" type="string" stringMaxLength="34"/>
      <member name="disposed_generation_count" type="int32"/>
      <member name="no_writers_generation_count" type="int32"/>
      <member name="sample_rank" type="int32"/>
      <member name="generation_rank" type="int32"/>
      <member name="absolute_generation_rank" type="int32"/>
      <member name="valid_data" type="boolean"/>
      <member name="publication_virtual_guid" type="string" stringMaxLength="34"/>
      <member name="publication_virtual_sequence_number" type="uint64"/>
      <member name="original_publication_virtual_guid" type="string" stringMaxLength="34"/>
      <member name="original_publication_virtual_sequence_number" type="uint64"/>
      <member name="source_guid" type="string" stringMaxLength="34"/>
      <member name="related_source_guid" type="string" stringMaxLength="34"/>
      <member name="related_subscription_guid" type="string" stringMaxLength="34"/>
    </struct>
    <struct name="CommonMetadataStruct">
      <member name="topic_name" type="string" stringMaxLength="255"/>
      <member name="domain_id" type="int32"/>
    </struct>
    <struct name="IPHeaderStruct">
      <member name="version" type="byte"/>
      <member name="header_length" type="uint32"/>
      <member name="tos" type="byte"/>
      <member name="total_len" type="uint32"/>
      <member name="identification" type="uint16"/>
      <member name="dont_fragment_flag" type="byte"/>
      <member name="more_fragments_flag" type="byte"/>
      <member name="fragment_offset" type="uint16"/>
      <member name="ttl" type="uint16"/>
      <member name="crc" type="uint16"/>
      <member name="src_ip" type="string" stringMaxLength="40"/>
      <member name="dst_ip" type="string" stringMaxLength="40"/>
    </struct>
    <struct name="UDPHeaderStruct">
      <member name="src_port" type="uint16"/>
      <member name="dst_port" type="uint16"/>
      <member name="length" type="uint16"/>
      <member name="crc" type="uint16"/>
    </struct>
    <struct name="PassiveMetadataStruct">
      <member name="IPHeader" type="nonBasic" nonBasicTypeName="IPHeaderStruct"/>
      <member name="UDPHeader" type="nonBasic" nonBasicTypeName="UDPHeaderStruct"/>
    </struct>
    <struct name="SampleMetadataStruct">
      <member name="DDSSampleInfo" type="nonBasic" nonBasicTypeName="SampleInfoStruct"/>
      <member name="CommonMetadata" type="nonBasic" nonBasicTypeName="CommonMetadataStruct"/>
      <member name="PassiveMetadata" type="nonBasic" nonBasicTypeName="PassiveMetadataStruct"/>
    </struct>
  </types>
</dds>
)xml";

}  // namespace

std::string_view InternalTypesXml() { return kInternalTypes; }

}  // namespace Quorvel::xml
