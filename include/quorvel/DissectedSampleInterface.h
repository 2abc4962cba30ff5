#pragma once

#include <quorvel/Export.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace Quorvel {

class DissectedSample;

// A handle on one queued sample, taken with Veltrane::GetNextDissectedSample.
class VELTRANE_API DissectedSampleInterface {
 public:
  DissectedSampleInterface();
  explicit DissectedSampleInterface(std::shared_ptr<DissectedSample> sample);
  DissectedSampleInterface(DissectedSampleInterface&&) noexcept;
  DissectedSampleInterface& operator=(DissectedSampleInterface&&) noexcept;
  DissectedSampleInterface(const DissectedSampleInterface&) = delete;
  DissectedSampleInterface& operator=(const DissectedSampleInterface&) = delete;
  ~DissectedSampleInterface();

  bool IsNull() const;
  // TypeName and BufferMaxSize need a handle that is not null.
  std::string TypeName() const;
  std::uint32_t BufferMaxSize() const;
  const std::uint8_t* GetBuffer() const;
  std::map<std::string, std::string> ToMap() const;
  std::string ToJson() const;

 private:
  struct Cell;
  std::unique_ptr<Cell> cell;
};

}  // namespace Quorvel
