#pragma once

// The discovery traffic of the recordings under tests/data, read once: every captured RTPS
// message that carries a participant or endpoint announcement. Fed to a fresh pipeline before
// a fuzz input, it maps the recorded writers to their types, so that user data in the input
// (the recordings' own samples and their mutations) reaches the user-data decoding.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace Quorvel::passive {
struct RTPSMessage;
}

namespace Quorvel::fuzz {

using Messages = std::vector<std::shared_ptr<const passive::RTPSMessage>>;

// Every RTPS message of a pcap recording, as the capture stage decodes it.
Messages ReadRtpsMessages(const std::filesystem::path& recording);

// Whether the message holds a DATA sub-message of a builtin participant, publications or
// subscriptions writer.
bool CarriesDiscovery(const passive::RTPSMessage& message);

// The announcements of the rich, Fast DDS and ddsperf loopback recordings, each distinct
// message once, in recording order.
const Messages& RecordedDiscovery();

// An Ethernet II / IPv4 / UDP frame around `payload` (127.0.0.1 to itself, port 7400).
std::vector<uint8_t> UdpFrame(std::span<const uint8_t> payload);

}  // namespace Quorvel::fuzz
