#pragma once

namespace Quorvel::passive {

// Where a capture stage reads frames from.
enum class SourceType : int { NIC = 0, PCAP_FILE = 1 };

}  // namespace Quorvel::passive
