#include "RichPublisher.h"

#include "CycloneCodec.h"
#include "CycloneSample.h"
#include "RichTypes.h"

#include <chrono>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <thread>

namespace Quorvel::InteropPeers {
namespace {

using namespace std::chrono_literals;

// The evolved versions share their type names' tails with the Rich ones, so only module Rich
// goes on the wire.
bool Published(const RichType& type, Representation representation) {
    const std::string_view name = type.descriptor.m_typename;
    return name.rfind("Rich::", 0) == 0 && (representation == Representation::Xcdr2 || type.hasXcdr1);
}

std::string TopicName(const std::string& prefix, const RichType& type, Representation representation) {
    return prefix + "_" + std::string(type.fileStem) +
           (representation == Representation::Xcdr1 ? "_xcdr1" : "_xcdr2");
}

// Late joiners still get every sample, and the writer keeps them until acknowledged. With
// `keepUnregistered` an unregister stays an unregister (Cyclone's writers dispose what they
// unregister by default).
QosPtr RecordingQos(Representation representation, bool keepUnregistered) {
    QosPtr qos = EndpointQos(representation);
    dds_qset_durability(qos.get(), DDS_DURABILITY_TRANSIENT_LOCAL);
    if (keepUnregistered) dds_qset_writer_data_lifecycle(qos.get(), false);
    return qos;
}

struct Endpoint {
    const RichType* type;
    std::string topicName;
    std::unique_ptr<CycloneEntity> topic;
    std::unique_ptr<CycloneEntity> entity;
};

std::vector<Endpoint> CreateEndpoints(dds_entity_t participant, const std::string& prefix,
                                      Representation representation, bool writers,
                                      bool keepUnregistered = false) {
    const QosPtr qos = RecordingQos(representation, keepUnregistered);
    std::vector<Endpoint> endpoints;
    for (const RichType& type : RichTypes()) {
        if (!Published(type, representation)) continue;
        Endpoint endpoint{&type, TopicName(prefix, type, representation), nullptr, nullptr};
        endpoint.topic = std::make_unique<CycloneEntity>(
            dds_create_topic(participant, &type.descriptor, endpoint.topicName.c_str(), qos.get(), nullptr),
            "dds_create_topic " + endpoint.topicName);
        const dds_entity_t entity = writers
                                        ? dds_create_writer(participant, endpoint.topic->Get(), qos.get(), nullptr)
                                        : dds_create_reader(participant, endpoint.topic->Get(), qos.get(), nullptr);
        endpoint.entity = std::make_unique<CycloneEntity>(entity, "create endpoint " + endpoint.topicName);
        endpoints.push_back(std::move(endpoint));
    }
    return endpoints;
}

nlohmann::ordered_json LogLine(const Endpoint& writer, const NamedSample& named) {
    return {{"topic", writer.topicName},
            {"type", writer.type->descriptor.m_typename},
            {"sample", named.name},
            {"value", writer.type->toJson(named.sample.Get())}};
}

void EndInstances(const Endpoint& writer, std::ostream& out) {
    const std::vector<NamedSample> samples = writer.type->makeSamples();
    if (samples.size() < 2) return;
    struct Ending {
        const char* action;
        dds_return_t (*end)(dds_entity_t, const void*);
        const NamedSample& named;
    };
    for (const Ending& ending : {Ending{"dispose", &dds_dispose, samples[0]},
                                 Ending{"unregister", &dds_unregister_instance, samples[1]}}) {
        const dds_return_t result = ending.end(writer.entity->Get(), ending.named.sample.Get());
        if (result < 0) {
            throw std::runtime_error(std::string(ending.action) + " " + writer.topicName + ": " +
                                     dds_strretcode(result));
        }
        nlohmann::ordered_json line = LogLine(writer, ending.named);
        line["action"] = ending.action;
        out << line.dump() << "\n";
    }
}

bool WaitForReaders(const std::vector<Endpoint>& writers, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (const Endpoint& writer : writers) {
        dds_publication_matched_status_t status{};
        while (dds_get_publication_matched_status(writer.entity->Get(), &status) == DDS_RETCODE_OK &&
               status.current_count == 0) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(20ms);
        }
    }
    return true;
}

}  // namespace

int PublishRich(std::uint32_t domainId, Representation representation, const std::string& topicPrefix,
                int rounds, const std::filesystem::path& log, bool endInstances) {
    const CycloneEntity participant(dds_create_participant(domainId, nullptr, nullptr), "dds_create_participant");
    const std::vector<Endpoint> writers = CreateEndpoints(participant.Get(), topicPrefix, representation, true, endInstances);
    if (!WaitForReaders(writers, 20s)) {
        std::cerr << "rich_peer: no reader matched every topic\n";
        return 1;
    }
    // Both sides must have matched before the first sample, or the reader drops it on arrival.
    std::this_thread::sleep_for(500ms);
    std::ofstream out(log);
    if (!out) throw std::runtime_error("cannot write " + log.string());
    for (int round = 0; round < rounds; ++round) {
        for (const Endpoint& writer : writers) {
            for (const NamedSample& named : writer.type->makeSamples()) {
                const dds_return_t written = dds_write(writer.entity->Get(), named.sample.Get());
                if (written < 0) {
                    throw std::runtime_error("dds_write " + writer.topicName + ": " + dds_strretcode(written));
                }
                out << LogLine(writer, named).dump() << "\n";
            }
        }
    }
    if (endInstances) {
        for (const Endpoint& writer : writers) EndInstances(writer, out);
    }
    out.flush();
    int status = 0;
    for (const Endpoint& writer : writers) {
        if (dds_wait_for_acks(writer.entity->Get(), DDS_SECS(10)) != DDS_RETCODE_OK) {
            std::cerr << "rich_peer: " << writer.topicName << " not acknowledged\n";
            status = 1;
        }
    }
    return status;
}

int ListenRich(std::uint32_t domainId, const std::string& topicPrefix, int seconds) {
    const CycloneEntity participant(dds_create_participant(domainId, nullptr, nullptr), "dds_create_participant");
    std::vector<Endpoint> readers = CreateEndpoints(participant.Get(), topicPrefix, Representation::Xcdr1, false);
    for (Endpoint& reader : CreateEndpoints(participant.Get(), topicPrefix, Representation::Xcdr2, false)) {
        readers.push_back(std::move(reader));
    }
    std::cout << "ready" << std::endl;
    std::uint64_t received = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const Endpoint& reader : readers) {
            void* sample = nullptr;
            dds_sample_info_t info;
            while (dds_take(reader.entity->Get(), &sample, &info, 1, 1) == 1) {
                received += info.valid_data ? 1 : 0;
                dds_return_loan(reader.entity->Get(), &sample, 1);
                sample = nullptr;
            }
        }
        std::this_thread::sleep_for(50ms);
    }
    std::cout << "received " << received << std::endl;
    return 0;
}

}  // namespace Quorvel::InteropPeers
