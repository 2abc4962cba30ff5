#include "passive/ParameterList.h"

#include "passive/HexText.h"

#include <string>

namespace Quorvel::passive {

void WalkParameterList(WireReader& reader, const ParameterVisitor& visit) {
  const size_t start = reader.Offset();
  while (true) {
    if (reader.Remaining() < 4) {
      reader.Fail("parameter list at offset " + std::to_string(start) +
                  " has no PID_SENTINEL before the end of its sub-message");
    }
    const uint16_t pid = reader.ReadU16();
    const uint16_t length = reader.ReadU16();
    if (pid == kPidSentinel) return;
    if (length > reader.Remaining()) {
      reader.Fail("parameter " + HexNumber(pid, 4) + " of " + std::to_string(length) +
                  " bytes at offset " + std::to_string(reader.Offset() - 4) +
                  " runs past the end of its sub-message (" +
                  std::to_string(reader.Remaining()) + " bytes left)");
    }
    WireReader value = reader.Cut(length);
    if (visit && pid != kPidPad) visit(pid, value);
  }
}

}  // namespace Quorvel::passive
