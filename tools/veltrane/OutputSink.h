#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace Quorvel::Cli {

// Where the formatted output goes: standard output or a file. Writes come from engine worker
// threads; each call writes its text whole.
class OutputSink {
 public:
  // Empty path: standard output. A file that cannot be opened is a runtime error.
  explicit OutputSink(const std::string& path);
  ~OutputSink();
  OutputSink(const OutputSink&) = delete;
  OutputSink& operator=(const OutputSink&) = delete;

  // False once a write failed (a closed pipe, a full disk); nothing more is written then.
  bool Write(const std::string& text);
  // Throws when output could not be written, unless the reader went away (a closed pipe, as
  // with `| head`): that only ends the run early.
  void Flush();

 private:
  std::mutex mutex;
  std::FILE* stream = nullptr;
  bool ownsStream = false;
  int failure = 0;  // errno of the first failed write
  std::string path;
};

}  // namespace Quorvel::Cli
