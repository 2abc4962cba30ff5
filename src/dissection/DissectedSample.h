#pragma once

// A finished sample as delivered: its DDSSample (outputs and metadata, finished by the
// constructor) and the processor that made it. The active and passive engines derive their own kinds, told apart by Type().

#include <cstdint>
#include <memory>

namespace Quorvel {

class DDSSample;
class DataProcessor;

enum class DissectedSampleDataType : std::uint32_t { USER_DATA = 0, DISCOVERY_DATA = 1 };
enum class DissectedSampleSource : std::uint32_t { ACTIVE = 0, PASSIVE = 1 };

class DissectedSample {
 public:
  DissectedSample(std::shared_ptr<DDSSample> sample, DataProcessor* processor,
                  DissectedSampleDataType dataType);
  virtual ~DissectedSample();
  DissectedSample(const DissectedSample&) = delete;
  DissectedSample& operator=(const DissectedSample&) = delete;

  virtual DissectedSampleSource Type() const = 0;
  DissectedSampleDataType DataType() const { return dataType; }
  const std::shared_ptr<DDSSample>& Sample() const { return sample; }
  DataProcessor* Processor() const { return processor; }

 private:
  std::shared_ptr<DDSSample> sample;
  DataProcessor* processor;
  DissectedSampleDataType dataType;
};

}  // namespace Quorvel
