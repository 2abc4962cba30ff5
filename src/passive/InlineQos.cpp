#include "passive/InlineQos.h"

#include "passive/HexText.h"
#include "passive/ParameterList.h"

#include <algorithm>
#include <string>

namespace Quorvel::passive {

namespace {

void ReadKeyHash(InlineQos& qos, WireReader& value) {
  const auto bytes = value.Take(16);
  qos.keyHash.emplace();
  std::copy(bytes.begin(), bytes.end(), qos.keyHash->begin());
}

// The status flags are a byte array on the wire; the last byte holds them (DDSI-RTPS 2.5,
// 9.6.4.9).
void ReadStatusInfo(InlineQos& qos, WireReader& value) {
  qos.statusInfo = value.ReadU32(ByteOrder::BIG_ENDIAN_ORDER);
}

struct QosParameter {
  uint16_t pid;
  size_t size;
  void (*read)(InlineQos&, WireReader&);
};
constexpr QosParameter kQosParameters[] = {
    {0x0070, 16, ReadKeyHash},    // PID_KEY_HASH
    {0x0071, 4, ReadStatusInfo},  // PID_STATUS_INFO
};

}  // namespace

InlineQos InlineQos::Read(WireReader& reader) {
  InlineQos qos;
  WalkParameterList(reader, [&qos](uint16_t pid, WireReader& value) {
    ++qos.parameterCount;
    const auto known = std::find_if(std::begin(kQosParameters), std::end(kQosParameters),
                                    [pid](const QosParameter& p) { return p.pid == pid; });
    if (known == std::end(kQosParameters)) return;
    if (value.Remaining() < known->size) {
      value.Fail("inline QoS parameter " + HexNumber(pid, 4) + " holds " +
                 std::to_string(value.Remaining()) + " bytes, " + std::to_string(known->size) +
                 " expected");
    }
    known->read(qos, value);
  });
  return qos;
}

}  // namespace Quorvel::passive
