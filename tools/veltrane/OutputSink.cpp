#include "OutputSink.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace Quorvel::Cli {

OutputSink::OutputSink(const std::string& outputPath) : path(outputPath) {
  if (path.empty()) {
    stream = stdout;
    return;
  }
  stream = std::fopen(path.c_str(), "w");
  if (stream == nullptr) {
    throw std::runtime_error("cannot open output file " + path + ": " + std::strerror(errno));
  }
  ownsStream = true;
}

OutputSink::~OutputSink() {
  if (ownsStream) std::fclose(stream);
}

bool OutputSink::Write(const std::string& text) {
  std::lock_guard<std::mutex> guard(mutex);
  if (failure != 0) return false;
  if (std::fwrite(text.data(), 1, text.size(), stream) != text.size()) failure = errno != 0 ? errno : EIO;
  return failure == 0;
}

void OutputSink::Flush() {
  std::lock_guard<std::mutex> guard(mutex);
  if (std::fflush(stream) != 0 && failure == 0) failure = errno != 0 ? errno : EIO;
  if (failure != 0 && failure != EPIPE) {
    throw std::runtime_error("cannot write the output" + (path.empty() ? std::string() : " to " + path) +
                             ": " + std::strerror(failure));
  }
}

}  // namespace Quorvel::Cli
