// rich_peer: Cyclone DDS's view of the rich test type.
//   rich_peer write <outdir>        golden payloads, values and key hashes (GoldenWriter)
//   rich_peer read <type> <file>    Cyclone's decoding of someone else's payload, as JSON
//   rich_peer subscribe <domain> <topic> <count> <seconds>
//                                   KeyedSeq samples as a Cyclone reader receives them
//   rich_peer publish <domain> <xcdr1|xcdr2> <topic prefix> <rounds> <log.jsonl> [end-instances]
//                                   the fixed samples written on the wire, logged as JSON Lines;
//                                   then one instance disposed and one unregistered per topic
//   rich_peer listen <domain> <topic prefix> <seconds>
//                                   the readers that make a publishing peer send
//   rich_peer publish-keyedseq <domain> <topic> <log.jsonl> <baggage size>...
//                                   KeyedSeq samples of the given sizes (DATA_FRAG when large);
//                                   "<count>x<size>" repeats a size, "interval=<ms>" sets the
//                                   pause between samples (30 ms by default)
#include "CycloneDomain.h"
#include "GoldenFiles.h"
#include "CycloneCodec.h"
#include "GoldenWriter.h"
#include "KeyedSeqPublisher.h"
#include "KeyedSeqSubscriber.h"
#include "RichDecoder.h"
#include "RichPublisher.h"
#include "RichTypes.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace Quorvel::InteropPeers;

int Read(std::string_view typeName, const std::filesystem::path& file) {
    const RichType& type = FindRichType(typeName);
    const std::vector<uint8_t> payload = ReadFile(file);
    const CycloneDomain domain;
    const DecodedSample decoded = DecodeWithCyclone(domain, type, payload);
    const nlohmann::ordered_json result{{"keyhash", decoded.keyHash}, {"value", decoded.value}};
    std::cout << result.dump() << "\n";
    return 0;
}

int Usage() {
    std::cerr << "usage: rich_peer write <outdir>\n"
                 "       rich_peer read <type> <file.bin>\n"
                 "       rich_peer subscribe <domain> <topic> <count> <seconds>\n"
                 "       rich_peer publish <domain> <xcdr1|xcdr2> <topic prefix> <rounds> <log.jsonl> [end-instances]\n"
                 "       rich_peer listen <domain> <topic prefix> <seconds>\n"
                 "       rich_peer publish-keyedseq <domain> <topic> <log.jsonl> <baggage size>...\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 2 && args[0] == "write") {
            GoldenWriter(args[1]).WriteAll();
            return 0;
        }
        if (args.size() == 3 && args[0] == "read") {
            return Read(args[1], args[2]);
        }
        if (args.size() == 5 && args[0] == "subscribe") {
            return SubscribeKeyedSeq(static_cast<uint32_t>(std::stoul(args[1])), args[2], std::stoull(args[3]),
                                     std::stoi(args[4]));
        }
        const bool endInstances = args.size() == 7 && args[6] == "end-instances";
        if ((args.size() == 6 || endInstances) && args[0] == "publish" && (args[2] == "xcdr1" || args[2] == "xcdr2")) {
            return PublishRich(static_cast<uint32_t>(std::stoul(args[1])),
                               args[2] == "xcdr1" ? Representation::Xcdr1 : Representation::Xcdr2, args[3],
                               std::stoi(args[4]), args[5], endInstances);
        }
        if (args.size() >= 5 && args[0] == "publish-keyedseq") {
            std::vector<std::uint32_t> sizes;
            int intervalMs = 30;
            for (size_t i = 4; i < args.size(); ++i) {
                const std::string& token = args[i];
                const size_t times = token.find('x');
                if (token.rfind("interval=", 0) == 0) {
                    intervalMs = std::stoi(token.substr(9));
                } else if (times != std::string::npos) {
                    sizes.insert(sizes.end(), std::stoul(token.substr(0, times)),
                                 static_cast<std::uint32_t>(std::stoul(token.substr(times + 1))));
                } else {
                    sizes.push_back(static_cast<std::uint32_t>(std::stoul(token)));
                }
            }
            return PublishKeyedSeq(static_cast<uint32_t>(std::stoul(args[1])), args[2], sizes, args[3], intervalMs);
        }
        if (args.size() == 4 && args[0] == "listen") {
            return ListenRich(static_cast<uint32_t>(std::stoul(args[1])), args[2], std::stoi(args[3]));
        }
        return Usage();
    } catch (const std::exception& error) {
        std::cerr << "rich_peer: " << error.what() << "\n";
        return 1;
    }
}
