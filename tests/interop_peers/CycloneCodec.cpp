#include "CycloneCodec.h"

#include "CycloneSample.h"

#include <dds/ddsi/ddsi_cdrstream.h>
#include <dds/ddsi/ddsi_keyhash.h>
#include <dds/ddsi/ddsi_serdata.h>
#include <dds/ddsi/ddsi_serdata_default.h>

#include <algorithm>
#include <string>

namespace Quorvel::InteropPeers {
namespace {

// Releases a serdata reference on every path.
struct SerdataRelease {
    void operator()(ddsi_serdata* serdata) const { ddsi_serdata_unref(serdata); }
};
using SerdataPtr = std::unique_ptr<ddsi_serdata, SerdataRelease>;

std::string TopicName(const dds_topic_descriptor_t& descriptor, Representation representation) {
    std::string name = descriptor.m_typename;
    std::replace(name.begin(), name.end(), ':', '_');
    return name + (representation == Representation::Xcdr1 ? "_xcdr1" : "_xcdr2");
}

// DDSI-RTPS 2.5, 9.6.4.8: the key hash is the zero-padded big-endian key when the key's
// maximum serialized size fits in 16 bytes, and its MD5 otherwise. Left to itself Cyclone only
// hashes when the key at hand is longer than 16 bytes, so a short string key would come out
// unhashed; forcing MD5 for every type whose key is not bounded to 16 bytes gives the rule.
std::array<uint8_t, 16> KeyHashOf(const ddsi_serdata* serdata,
                                  const dds_topic_descriptor_t& descriptor) {
    const bool keyFitsIn16Bytes = (descriptor.m_flagset & DDS_TOPIC_FIXED_KEY_XCDR2) != 0;
    ddsi_keyhash_t keyHash{};
    ddsi_serdata_get_keyhash(serdata, &keyHash, !keyFitsIn16Bytes);
    std::array<uint8_t, 16> result{};
    std::copy(std::begin(keyHash.value), std::end(keyHash.value), result.begin());
    return result;
}

constexpr std::size_t kEncapsulationHeaderSize = 4;

std::vector<uint8_t> BigEndianPayload(const ddsi_serdata* serdata, const void* sample,
                                      const std::vector<uint8_t>& nativePayload) {
    // Identifiers 0x0001, 0x0007, 0x0009, 0x000b are the little-endian twins of 0x0000,
    // 0x0006, 0x0008, 0x000a: the low bit of the second byte is the byte order.
    const bool xcdr1 = nativePayload.at(1) <= 0x03;
    dds_ostreamBE_t stream;
    dds_ostreamBE_init(&stream, 0, xcdr1 ? 1 : 2);
    const bool written = dds_stream_write_sampleBE(
        &stream, sample, reinterpret_cast<const ddsi_sertype_default*>(serdata->type));
    std::vector<uint8_t> payload(nativePayload.begin(),
                                 nativePayload.begin() + kEncapsulationHeaderSize);
    payload[1] &= 0xfe;
    payload.insert(payload.end(), stream.x.m_buffer, stream.x.m_buffer + stream.x.m_index);
    dds_ostreamBE_fini(&stream);
    // Both byte orders align alike, so the lengths (and the padding count in the header) agree.
    payload.resize((payload.size() + 3) & ~std::size_t{3}, 0);
    if (!written || payload.size() != nativePayload.size()) {
        throw std::runtime_error("big-endian serialization disagrees in length with the writer's");
    }
    return payload;
}

}  // namespace

void QosRelease::operator()(dds_qos_t* qos) const { dds_delete_qos(qos); }

QosPtr EndpointQos(Representation representation) {
    QosPtr qos(dds_create_qos());
    dds_qset_reliability(qos.get(), DDS_RELIABILITY_RELIABLE, DDS_SECS(1));
    dds_qset_history(qos.get(), DDS_HISTORY_KEEP_ALL, 0);
    const dds_data_representation_id_t id = representation == Representation::Xcdr1
                                                ? DDS_DATA_REPRESENTATION_XCDR1
                                                : DDS_DATA_REPRESENTATION_XCDR2;
    dds_qset_data_representation(qos.get(), 1, &id);
    return qos;
}

CycloneCodec::CycloneCodec(dds_entity_t participant, const dds_topic_descriptor_t& descriptor,
                           Representation representation)
    : descriptor_(descriptor) {
    const auto qos = EndpointQos(representation);
    const std::string topicName = TopicName(descriptor, representation);
    topic_ = std::make_unique<CycloneEntity>(
        dds_create_topic(participant, &descriptor, topicName.c_str(), qos.get(), nullptr),
        "dds_create_topic " + topicName);
    writer_ = std::make_unique<CycloneEntity>(
        dds_create_writer(participant, topic_->Get(), qos.get(), nullptr),
        "dds_create_writer " + topicName);
    reader_ = std::make_unique<CycloneEntity>(
        dds_create_reader(participant, topic_->Get(), qos.get(), nullptr),
        "dds_create_reader " + topicName);
}

CycloneCodec::~CycloneCodec() = default;

ddsi_serdata* CycloneCodec::WriteAndTake(const CycloneSample& sample) {
    const dds_return_t written = dds_write(writer_->Get(), sample.Get());
    if (written < 0) {
        throw std::runtime_error(std::string("dds_write ") + descriptor_.m_typename +
                                 " failed: " + dds_strretcode(written));
    }
    // Local delivery is synchronous: the sample is in the reader's cache once dds_write returns.
    ddsi_serdata* serdata = nullptr;
    dds_sample_info_t info;
    const dds_return_t taken = dds_takecdr(reader_->Get(), &serdata, 1, &info, DDS_ANY_STATE);
    if (taken != 1 || serdata == nullptr) {
        throw std::runtime_error(std::string("dds_takecdr ") + descriptor_.m_typename +
                                 " returned " + std::to_string(taken) + " samples");
    }
    return serdata;
}

SerializedSample CycloneCodec::Serialize(const CycloneSample& sample) {
    const SerdataPtr serdata(WriteAndTake(sample));
    SerializedSample result;
    result.payload.resize(ddsi_serdata_size(serdata.get()));
    ddsi_serdata_to_ser(serdata.get(), 0, result.payload.size(), result.payload.data());
    result.bigEndianPayload = BigEndianPayload(serdata.get(), sample.Get(), result.payload);
    result.keyHash = KeyHashOf(serdata.get(), descriptor_);
    return result;
}

std::array<uint8_t, 16> CycloneCodec::Deserialize(const std::vector<uint8_t>& payload,
                                                  const CycloneSample& primer, CycloneSample& out) {
    const SerdataPtr primed(WriteAndTake(primer));
    ddsrt_iovec_t iov;
    iov.iov_base = const_cast<uint8_t*>(payload.data());
    iov.iov_len = static_cast<ddsrt_iov_len_t>(payload.size());
    const SerdataPtr serdata(
        ddsi_serdata_from_ser_iov(primed->type, SDK_DATA, 1, &iov, payload.size()));
    if (!serdata) {
        throw std::runtime_error(std::string("Cyclone rejected the payload as ") +
                                 descriptor_.m_typename);
    }
    if (!ddsi_serdata_to_sample(serdata.get(), out.Get(), nullptr, nullptr)) {
        throw std::runtime_error(std::string("Cyclone could not turn the payload into a ") +
                                 descriptor_.m_typename);
    }
    return KeyHashOf(serdata.get(), descriptor_);
}

}  // namespace Quorvel::InteropPeers
