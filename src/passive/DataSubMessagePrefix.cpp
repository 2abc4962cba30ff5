#include "passive/DataSubMessagePrefix.h"

#include "passive/SubMessageFlags.h"
#include "passive/WireReader.h"

namespace Quorvel::passive {

DataSubMessagePrefix DataSubMessagePrefix::Read(WireReader& subMessage) {
  DataSubMessagePrefix prefix;
  subMessage.Seek(subMessage.Begin());
  subMessage.Skip(1);
  prefix.flags = subMessage.ReadU8();
  prefix.bigEndian = (prefix.flags & SubMessageFlags::kEndianness) == 0;
  prefix.inlineQos = (prefix.flags & SubMessageFlags::kInlineQos) != 0;
  // The walk has already resolved a zero octetsToNextHeader to the rest of the message.
  subMessage.Skip(2);
  prefix.octetsToNextHeader = static_cast<uint16_t>(subMessage.End() - subMessage.Begin() - 4);
  subMessage.Skip(2);  // extra flags
  prefix.octetsToInlineQos = subMessage.ReadU16();
  prefix.readerId = EntityId::Read(subMessage);
  prefix.writerId = EntityId::Read(subMessage);
  return prefix;
}

}  // namespace Quorvel::passive
