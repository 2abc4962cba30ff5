// fastdds_peer: Fast DDS traffic for recordings, everything over UDP on the loopback.
//   fastdds_peer publish <domain> <topic> <count> <text length> <log.jsonl> [text bound]
//       writes `count` E2E::FastSample samples (reliable, keep all, transient local) once a
//       reader matched, logging each as a JSON line {"topic", "type", "value"}
//   fastdds_peer listen <domain> <topic> <seconds> [text bound]
//       the reader that makes the publisher send; prints "ready" and "received N"
#include "FastPeer.h"
#include "FastSampleType.h"

#include <fastdds/dds/publisher/DataWriter.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/subscriber/DataReader.hpp>
#include <fastdds/dds/subscriber/SampleInfo.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastrtps/types/DynamicData.h>
#include <fastrtps/types/DynamicDataFactory.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace Quorvel::InteropPeers;
using namespace eprosima::fastdds::dds;
using namespace std::chrono_literals;

template <typename QosT>
QosT RecordingQos(QosT qos) {
    qos.reliability().kind = RELIABLE_RELIABILITY_QOS;
    qos.history().kind = KEEP_ALL_HISTORY_QOS;
    qos.durability().kind = TRANSIENT_LOCAL_DURABILITY_QOS;
    return qos;
}

int Publish(unsigned domain, const std::string& topic, std::uint64_t count, std::size_t textLength,
            const std::string& logPath, std::uint32_t textBound) {
    FastPeer peer(domain, topic, textBound);
    Publisher* publisher = peer.Participant().create_publisher(PUBLISHER_QOS_DEFAULT);
    DataWriter* writer = publisher->create_datawriter(peer.Topic(), RecordingQos(DATAWRITER_QOS_DEFAULT));
    if (writer == nullptr) throw std::runtime_error("create_datawriter failed");
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    PublicationMatchedStatus status;
    while (writer->get_publication_matched_status(status) == ReturnCode_t::RETCODE_OK && status.current_count == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            std::cerr << "fastdds_peer: no reader matched\n";
            return 1;
        }
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(500ms);
    std::ofstream log(logPath);
    if (!log) throw std::runtime_error("cannot write " + logPath);
    const auto type = FastSampleType(textBound);
    for (std::uint64_t index = 0; index < count; ++index) {
        const FastSampleValue sample = MakeFastSample(type, index, textLength + index % 7);
        if (!writer->write(sample.data.get())) throw std::runtime_error("write failed");
        log << nlohmann::ordered_json{{"topic", topic}, {"type", "E2E::FastSample"}, {"value", sample.json}}.dump()
            << "\n";
        std::this_thread::sleep_for(5ms);
    }
    log.flush();
    const bool acknowledged = writer->wait_for_acknowledgments({10, 0}) == ReturnCode_t::RETCODE_OK;
    if (!acknowledged) std::cerr << "fastdds_peer: samples not acknowledged\n";
    return acknowledged ? 0 : 1;
}

int Listen(unsigned domain, const std::string& topic, int seconds, std::uint32_t textBound) {
    FastPeer peer(domain, topic, textBound);
    Subscriber* subscriber = peer.Participant().create_subscriber(SUBSCRIBER_QOS_DEFAULT);
    DataReader* reader = subscriber->create_datareader(peer.Topic(), RecordingQos(DATAREADER_QOS_DEFAULT));
    if (reader == nullptr) throw std::runtime_error("create_datareader failed");
    std::cout << "ready" << std::endl;
    auto* factory = eprosima::fastrtps::types::DynamicDataFactory::get_instance();
    eprosima::fastrtps::types::DynamicData_ptr data(factory->create_data(FastSampleType(textBound)));
    std::uint64_t received = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        SampleInfo info;
        while (reader->take_next_sample(data.get(), &info) == ReturnCode_t::RETCODE_OK) {
            received += info.valid_data ? 1 : 0;
        }
        std::this_thread::sleep_for(20ms);
    }
    std::cout << "received " << received << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if ((args.size() == 6 || args.size() == 7) && args[0] == "publish") {
            const std::uint32_t bound = args.size() == 7 ? std::stoul(args[6]) : kFastSampleTextBound;
            return Publish(std::stoul(args[1]), args[2], std::stoull(args[3]), std::stoul(args[4]), args[5], bound);
        }
        if ((args.size() == 4 || args.size() == 5) && args[0] == "listen") {
            const std::uint32_t bound = args.size() == 5 ? std::stoul(args[4]) : kFastSampleTextBound;
            return Listen(std::stoul(args[1]), args[2], std::stoi(args[3]), bound);
        }
        std::cerr << "usage: fastdds_peer publish <domain> <topic> <count> <text length> <log.jsonl> [text bound]\n"
                     "       fastdds_peer listen <domain> <topic> <seconds> [text bound]\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "fastdds_peer: " << error.what() << "\n";
        return 1;
    }
}
