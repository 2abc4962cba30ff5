#pragma once

#include "CycloneEntity.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ddsi_serdata;

namespace Quorvel::InteropPeers {

class CycloneSample;

enum class Representation { Xcdr1, Xcdr2 };

struct QosRelease {
    void operator()(dds_qos_t* qos) const;
};
using QosPtr = std::unique_ptr<dds_qos_t, QosRelease>;
// Reliable, keep all, one data representation: the endpoints of every peer mode.
QosPtr EndpointQos(Representation representation);

struct SerializedSample {
    std::vector<uint8_t> payload;  // encapsulation header + body, exactly as a writer sends it
    // The same sample in big-endian: Cyclone's own big-endian serializer writes the body, and
    // the header is the writer's with the byte-order bit cleared (writers only send native).
    std::vector<uint8_t> bigEndianPayload;
    std::array<uint8_t, 16> keyHash{};
};

// Serializes and deserializes samples of one topic type with Cyclone's own serializer.
// Bytes come from a real writer: the sample is written, delivered locally to a reader of the
// same representation and taken back in serialized form, so what we record is what that
// writer puts on the wire.
class CycloneCodec {
public:
    CycloneCodec(dds_entity_t participant, const dds_topic_descriptor_t& descriptor,
                 Representation representation);
    ~CycloneCodec();
    CycloneCodec(const CycloneCodec&) = delete;
    CycloneCodec& operator=(const CycloneCodec&) = delete;

    SerializedSample Serialize(const CycloneSample& sample);
    // Decodes a payload written by anyone; `primer` is any valid sample of the type, written
    // once so that the codec gets hold of Cyclone's sertype for the topic.
    std::array<uint8_t, 16> Deserialize(const std::vector<uint8_t>& payload,
                                        const CycloneSample& primer, CycloneSample& out);

private:
    ddsi_serdata* WriteAndTake(const CycloneSample& sample);

    const dds_topic_descriptor_t& descriptor_;
    std::unique_ptr<CycloneEntity> topic_;
    std::unique_ptr<CycloneEntity> writer_;
    std::unique_ptr<CycloneEntity> reader_;
};

}  // namespace Quorvel::InteropPeers
