#include "middleware/transport/FastDdsLog.h"

#include <fastdds/dds/log/Log.hpp>
#include <fastrtps/config.h>

#include <fstream>
#include <memory>
#include <mutex>
#include <system_error>

namespace Quorvel::Transport {
namespace {

using eprosima::fastdds::dds::Log;
using eprosima::fastdds::dds::LogConsumer;

const char* KindName(Log::Kind kind) {
  switch (kind) {
    case Log::Kind::Error: return "Error";
    case Log::Kind::Warning: return "Warning";
    case Log::Kind::Info: return "Info";
  }
  return "Unknown";
}

// A ring of maxFiles files; the next one is truncated when the current one is full.
class RotatingFileConsumer final : public LogConsumer {
 public:
  RotatingFileConsumer(std::filesystem::path prefix, std::string suffix, std::int32_t maxBytes,
                       std::int32_t maxFiles)
      : prefix(std::move(prefix)),
        suffix(std::move(suffix)),
        maxBytes(maxBytes),
        maxFiles(maxFiles > 0 ? maxFiles : 1) {
    Open(0);
  }

  // Fast DDS calls this from its own logging thread; the lock guards against a consumer
  // swap racing with a late entry.
  void Consume(const Log::Entry& entry) override {
    std::string line = "[" + entry.timestamp + "] [" + KindName(entry.kind) + "] [" +
                       (entry.context.category ? entry.context.category : "") + "] " +
                       entry.message;
    if (entry.context.function) line += std::string(" (") + entry.context.function + ")";
    line += '\n';

    std::lock_guard<std::mutex> guard(mutex);
    if (maxBytes > 0 && written > 0 &&
        written + static_cast<std::int64_t>(line.size()) > maxBytes) {
      Open((index + 1) % maxFiles);
    }
    out << line;
    out.flush();
    written += static_cast<std::int64_t>(line.size());
  }

 private:
  void Open(std::int32_t next) {
    index = next;
    written = 0;
    out.close();
    out.clear();
    out.open(prefix.string() + std::to_string(index) + suffix, std::ios::out | std::ios::trunc);
  }

  std::filesystem::path prefix;
  std::string suffix;
  std::int32_t maxBytes;
  std::int32_t maxFiles;
  std::mutex mutex;
  std::ofstream out;
  std::int32_t index = 0;
  std::int64_t written = 0;
};

}  // namespace

void RouteFastDdsLogToFiles(const std::filesystem::path& prefix, const std::string& suffix,
                            std::int32_t maxFileBytes, std::int32_t maxFiles) {
  Log::ClearConsumers();
  Log::RegisterConsumer(
      std::make_unique<RotatingFileConsumer>(prefix, suffix, maxFileBytes, maxFiles));
  Log::SetVerbosity(Log::Kind::Info);
  Log::ReportFunctions(true);
}

void SilenceFastDdsLog() {
  // With no consumer, entries (errors included) are taken off the queue and dropped.
  Log::ClearConsumers();
  Log::SetVerbosity(Log::Kind::Error);
}

std::string FastDdsVersion() { return std::string("Fast DDS ") + FASTRTPS_VERSION_STR; }

}  // namespace Quorvel::Transport
