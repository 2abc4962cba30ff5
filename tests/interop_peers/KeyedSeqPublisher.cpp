#include "KeyedSeqPublisher.h"

#include "CycloneEntity.h"
#include "KeyedSeqTopic.h"
#include "keyedseq.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <thread>

namespace Quorvel::InteropPeers {

std::string Fnv1a64(const std::uint8_t* bytes, std::size_t length) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::size_t i = 0; i < length; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

int PublishKeyedSeq(std::uint32_t domainId, const std::string& topicName,
                    const std::vector<std::uint32_t>& baggageSizes, const std::string& logPath,
                    int intervalMs) {
    using namespace std::chrono_literals;
    const KeyedSeqTopic keyedSeq(domainId, topicName);
    const CycloneEntity writer(keyedSeq.CreateWriter(), "dds_create_writer");

    const auto deadline = std::chrono::steady_clock::now() + 20s;
    dds_publication_matched_status_t matched{};
    while (dds_get_publication_matched_status(writer.Get(), &matched) == DDS_RETCODE_OK && matched.current_count == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            std::cerr << "rich_peer: no KeyedSeq reader matched\n";
            return 1;
        }
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(500ms);
    std::ofstream log(logPath);
    if (!log) throw std::runtime_error("cannot write " + logPath);
    std::uint32_t seq = 0;
    for (const std::uint32_t size : baggageSizes) {
        ++seq;
        std::vector<std::uint8_t> baggage(size);
        for (std::uint32_t i = 0; i < size; ++i) baggage[i] = static_cast<std::uint8_t>(seq * 31 + i * 7);
        KeyedSeq sample{};
        sample.seq = seq;
        sample.keyval = seq % 3;
        sample.baggage._length = size;
        sample.baggage._maximum = size;
        sample.baggage._buffer = baggage.data();
        sample.baggage._release = false;
        const dds_return_t written = dds_write(writer.Get(), &sample);
        if (written != DDS_RETCODE_OK) throw std::runtime_error(std::string("dds_write: ") + dds_strretcode(written));
        const nlohmann::ordered_json value{{"seq", sample.seq},
                                           {"keyval", sample.keyval},
                                           {"baggage_length", size},
                                           {"baggage_fnv1a", Fnv1a64(baggage.data(), baggage.size())}};
        log << nlohmann::ordered_json{{"topic", topicName}, {"type", "KeyedSeq"}, {"value", value}}.dump() << "\n";
        if (intervalMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
    }
    log.flush();
    const dds_return_t acked = dds_wait_for_acks(writer.Get(), DDS_SECS(30));
    if (acked != DDS_RETCODE_OK) std::cerr << "rich_peer: KeyedSeq samples not acknowledged\n";
    return acked == DDS_RETCODE_OK ? 0 : 1;
}

}  // namespace Quorvel::InteropPeers
