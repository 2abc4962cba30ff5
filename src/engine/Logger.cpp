#include "engine/Logger.h"

#include "common/Log.h"
#include "engine/LogRecordFormat.h"
#include "middleware/transport/FastDdsLog.h"

#include <boost/log/core.hpp>
#include <boost/log/expressions.hpp>
#include <boost/log/sinks/sync_frontend.hpp>
#include <boost/log/sinks/text_file_backend.hpp>
#include <boost/log/trivial.hpp>
#include <boost/log/utility/setup/common_attributes.hpp>
#include <boost/log/utility/setup/file.hpp>

#include <array>
#include <limits>
#include <mutex>

namespace Quorvel {
namespace {

namespace logging = boost::log;
using FileSink = logging::sinks::synchronous_sink<logging::sinks::text_file_backend>;

constexpr const char* kLogFilePattern = "Quorvel.VeltraneLog_%N.log";

// The logger is one of the two process-wide objects the engine allows.
struct LoggerState {
  std::mutex mutex;
  LoggerConfiguration configuration;
  boost::shared_ptr<FileSink> sink;
};

LoggerState& State() {
  static LoggerState state;
  return state;
}

std::filesystem::path LogDirectory(const LoggerConfiguration& configuration) {
  if (configuration.loggingDir.empty()) return std::filesystem::current_path();
  return std::filesystem::path(configuration.loggingDir);
}

std::int32_t NarrowTo32(std::int64_t value) {
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

boost::shared_ptr<FileSink> AddFileSink(const std::filesystem::path& directory,
                                        const LoggerConfiguration& configuration) {
  namespace keywords = logging::keywords;
  // maxFileByteSize -1 read unsigned is "never rotate by size". maxFiles bounds the rotated
  // files collected in the directory; the file being written comes on top.
  const auto rotationSize = static_cast<std::uintmax_t>(configuration.maxFileByteSize);
  const auto maxFiles = configuration.maxFiles > 0
                            ? static_cast<std::uintmax_t>(configuration.maxFiles)
                            : std::numeric_limits<std::uintmax_t>::max();
  auto sink = logging::add_file_log(keywords::file_name = (directory / kLogFilePattern).string(),
                                    keywords::auto_flush = true,
                                    keywords::rotation_size = rotationSize,
                                    keywords::target = directory.string(),
                                    keywords::max_files = maxFiles);
  sink->set_formatter(&WriteLogRecord);
  return sink;
}

}  // namespace

std::string SeverityName(LogSeverityLevel level) {
  static constexpr std::array<const char*, 6> kNames = {"TRACE",   "DEBUG", "INFO",
                                                        "WARNING", "ERROR", "FATAL"};
  const auto index = static_cast<std::size_t>(level);
  return index < kNames.size() ? kNames[index] : "UNKNOWN";
}

void Logger::Init(const LoggerConfiguration& configuration) {
  const std::filesystem::path directory = LogDirectory(configuration);
  std::error_code error;
  if (!std::filesystem::is_directory(directory, error)) {
    throw std::runtime_error("Provided loggingDir doesn't exist: " + directory.string());
  }
  {
    auto& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    state.configuration = configuration;

    auto core = logging::core::get();
    if (state.sink) {
      state.sink->flush();
      core->remove_sink(state.sink);
    }
    state.sink = AddFileSink(directory, configuration);
    core->set_filter(logging::trivial::severity >=
                     static_cast<logging::trivial::severity_level>(configuration.verbosity));
    Log::SetThreshold(configuration.verbosity);
    logging::add_common_attributes();
  }
  InitConnextLogger(directory);
  LogDebug("Logger initialized with verbosity level " + LoggerVerbosity());
}

void Logger::Shutdown() {
  logging::core::get()->flush();
}

void Logger::InitConnextLogger(const std::filesystem::path& directory) {
  LogDebug("InitConnextLogger");
  const LoggerConfiguration configuration = Configuration();
  if (configuration.verbosity != LogSeverityLevel::TRACE) {
    Transport::SilenceFastDdsLog();
    return;
  }
  Transport::RouteFastDdsLogToFiles(directory / "DDSInternalLog", ".log",
                                    NarrowTo32(configuration.maxFileByteSize),
                                    NarrowTo32(configuration.maxFiles));
}

std::string Logger::LoggerVerbosity() { return SeverityName(Configuration().verbosity); }

std::string Logger::ConnextVersion() { return Transport::FastDdsVersion(); }

std::string Logger::RTPSProtocolVersion() { return std::to_string(2) + "." + std::to_string(1); }

LoggerConfiguration Logger::Configuration() {
  auto& state = State();
  std::lock_guard<std::mutex> guard(state.mutex);
  return state.configuration;
}

}  // namespace Quorvel
