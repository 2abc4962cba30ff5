#include "KeyedSeqSubscriber.h"

#include "CycloneEntity.h"
#include "KeyedSeqTopic.h"
#include "keyedseq.h"

#include <array>
#include <chrono>
#include <iostream>

namespace Quorvel::InteropPeers {

int SubscribeKeyedSeq(std::uint32_t domainId, const std::string& topicName, std::uint64_t count, int seconds) {
    const KeyedSeqTopic keyedSeq(domainId, topicName);
    const CycloneEntity& participant = keyedSeq.participant;
    const CycloneEntity reader(keyedSeq.CreateReader(), "dds_create_reader");
    const CycloneEntity waitset(dds_create_waitset(participant.Get()), "dds_create_waitset");
    const CycloneEntity readCondition(dds_create_readcondition(reader.Get(), DDS_ANY_STATE), "dds_create_readcondition");
    dds_waitset_attach(waitset.Get(), readCondition.Get(), 0);
    std::cout << "ready" << std::endl;

    constexpr size_t kBatch = 64;
    std::array<void*, kBatch> samples{};
    std::array<dds_sample_info_t, kBatch> infos{};
    std::uint64_t received = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (received < count && std::chrono::steady_clock::now() < deadline) {
        dds_waitset_wait(waitset.Get(), nullptr, 0, DDS_MSECS(100));
        const int32_t taken = dds_take(reader.Get(), samples.data(), infos.data(), kBatch, kBatch);
        for (int32_t i = 0; i < taken; ++i) {
            if (!infos[i].valid_data) continue;
            const auto* sample = static_cast<const KeyedSeq*>(samples[i]);
            std::uint64_t sum = 0;
            for (uint32_t b = 0; b < sample->baggage._length; ++b) sum += sample->baggage._buffer[b];
            std::cout << sample->seq << ' ' << sample->keyval << ' ' << sample->baggage._length << ' ' << sum << '\n';
            ++received;
        }
        if (taken > 0) dds_return_loan(reader.Get(), samples.data(), taken);
    }
    std::cout << "received " << received << std::endl;
    return received >= count ? 0 : 1;
}

}  // namespace Quorvel::InteropPeers
