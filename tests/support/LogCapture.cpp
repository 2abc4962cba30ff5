#include "support/LogCapture.h"

#include "common/Log.h"

#include <boost/log/core.hpp>
#include <boost/log/expressions.hpp>
#include <boost/log/sinks/basic_sink_backend.hpp>
#include <boost/log/sinks/sync_frontend.hpp>

#include <algorithm>
#include <mutex>

namespace Quorvel::testing {

namespace {

namespace sinks = boost::log::sinks;

class CollectingBackend
    : public sinks::basic_formatted_sink_backend<char, sinks::synchronized_feeding> {
 public:
  void consume(const boost::log::record_view&, const std::string& message) {
    const std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(message);
  }
  std::vector<std::string> Messages() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
};

}  // namespace

struct LogCapture::Sink {
  boost::shared_ptr<CollectingBackend> backend = boost::make_shared<CollectingBackend>();
  boost::shared_ptr<sinks::synchronous_sink<CollectingBackend>> frontend =
      boost::make_shared<sinks::synchronous_sink<CollectingBackend>>(backend);
};

LogCapture::LogCapture() : sink_(std::make_unique<Sink>()) {
  sink_->frontend->set_formatter(boost::log::expressions::stream << boost::log::expressions::smessage);
  boost::log::core::get()->add_sink(sink_->frontend);
  Log::SetThreshold(LogSeverityLevel::TRACE);
}

LogCapture::~LogCapture() {
  boost::log::core::get()->remove_sink(sink_->frontend);
  Log::SetThreshold(LogSeverityLevel::WARNING);
}

std::vector<std::string> LogCapture::Messages() const { return sink_->backend->Messages(); }

std::size_t LogCapture::Count(const std::string& text) const {
  const auto messages = Messages();
  return static_cast<std::size_t>(std::count_if(messages.begin(), messages.end(),
      [&](const std::string& message) { return message.find(text) != std::string::npos; }));
}

}  // namespace Quorvel::testing
