#pragma once

// A data reader of the participant, seen by the engine: its condition (attach it to an
// AsyncWaitSet), a take of everything available with the sample information, and the key
// values of every instance it has seen, so that a dispose or unregister (which carries no data)
// can still be reported with its key members.
//
// Threads: TakeAll and KeyValues may run on several wait-set threads at once; the reader stays
// usable after its participant is gone (calls then throw "DataReader is closed").

#include "middleware/transport/SampleInfo.h"
#include "middleware/xtypes/DynamicType.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Quorvel::xtypes {
class DynamicData;
}

namespace Quorvel::Transport {

class WaitCondition;

class TopicReader {
public:
  virtual ~TopicReader() = default;

  // "Subscriber::TrackReader" for readers of the participant definition; the entity name of
  // readers created at run time.
  virtual const std::string& Name() const = 0;
  virtual const std::string& TopicName() const = 0;
  virtual const std::string& TypeName() const = 0;
  virtual const xtypes::DynamicTypePtr& Type() const = 0;

  // Triggered whenever data arrives.
  virtual const std::shared_ptr<WaitCondition>& Condition() const = 0;

  // Takes the available samples of any state in reception order and appends them to
  // `samples`; returns how many. Takes at most a few thousand per call and triggers the
  // condition again when more remain.
  virtual std::size_t TakeAll(std::vector<ReceivedSample>& samples) = 0;

  // A sample of the reader's type decoded from the first sample seen of the instance: its key
  // members hold the instance's key. Null for an instance never seen with data (or unkeyed
  // topics). A dispose or unregister that carries only a serialized key (Cyclone's) reaches
  // Fast DDS 2.9 as follows: a key of up to 16 bytes with its encapsulation header becomes the
  // handle as it is (found here by decoding it); a longer one is dropped by Fast DDS, and the
  // sample comes with the handle kUnknownInstance (found nowhere).
  virtual std::optional<xtypes::DynamicData> KeyValues(const InstanceHandle& instance) const = 0;

  virtual void Enable() = 0;
  virtual bool Enabled() const = 0;
  // Writers currently matched.
  virtual std::size_t MatchedWriters() const = 0;
};

}  // namespace Quorvel::Transport
