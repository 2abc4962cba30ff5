#pragma once

// Collects the log records written while it lives (at every severity), so that tests can
// check what was logged and how often.

#include <memory>
#include <string>
#include <vector>

namespace Quorvel::testing {

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::string> Messages() const;
  // How many records contain `text`.
  std::size_t Count(const std::string& text) const;

 private:
  struct Sink;
  std::unique_ptr<Sink> sink_;
};

}  // namespace Quorvel::testing
