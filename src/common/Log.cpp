#include "common/Log.h"

#include <atomic>
#include <stdexcept>

#include <boost/log/sources/record_ostream.hpp>
#include <boost/log/trivial.hpp>

namespace Quorvel::Log {
namespace {

// Until the logger starts, everything passes (boost.log's default sink prints it all).
std::atomic<std::uint32_t> threshold{static_cast<std::uint32_t>(LogSeverityLevel::TRACE)};

}  // namespace

bool Enabled(LogSeverityLevel level) noexcept {
  return static_cast<std::uint32_t>(level) >= threshold.load(std::memory_order_relaxed);
}

void SetThreshold(LogSeverityLevel level) noexcept {
  threshold.store(static_cast<std::uint32_t>(level), std::memory_order_relaxed);
}

void Write(LogSeverityLevel level, std::string_view message) {
  auto& logger = boost::log::trivial::logger::get();
  BOOST_LOG_SEV(logger, static_cast<boost::log::trivial::severity_level>(level)) << message;
}

}  // namespace Quorvel::Log

namespace Quorvel {

void ThrowLogged(const std::string& message, LogSeverityLevel level) {
  LogAt(level, message);
  throw std::runtime_error(message);
}

}  // namespace Quorvel
