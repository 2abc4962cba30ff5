// The log's hand-written record formatter against boost.log's formatter parsed from the same
// format text: every line byte for byte, for each severity, for messages of any content, and
// for a record without a severity.

#include "engine/LogRecordFormat.h"

#include <boost/log/core.hpp>
#include <boost/log/sinks/sync_frontend.hpp>
#include <boost/log/sinks/text_ostream_backend.hpp>
#include <boost/log/sources/logger.hpp>
#include <boost/log/sources/record_ostream.hpp>
#include <boost/log/trivial.hpp>
#include <boost/log/utility/setup/common_attributes.hpp>
#include <boost/log/utility/setup/formatter_parser.hpp>
#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace Quorvel {
namespace {

namespace logging = boost::log;
using Sink = logging::sinks::synchronous_sink<logging::sinks::text_ostream_backend>;

boost::shared_ptr<Sink> StreamSink(const boost::shared_ptr<std::ostringstream>& stream) {
  auto backend = boost::make_shared<logging::sinks::text_ostream_backend>();
  backend->add_stream(stream);
  return boost::make_shared<Sink>(backend);
}

TEST(LogRecordFormat, WritesWhatTheParsedFormatWrites) {
  logging::register_simple_formatter_factory<logging::trivial::severity_level, char>("Severity");
  logging::add_common_attributes();
  const auto core = logging::core::get();
  core->reset_filter();
  const auto parsedText = boost::make_shared<std::ostringstream>();
  const auto writtenText = boost::make_shared<std::ostringstream>();
  const auto parsed = StreamSink(parsedText);
  parsed->set_formatter(logging::parse_formatter(kLogRecordFormat));
  const auto written = StreamSink(writtenText);
  written->set_formatter(&WriteLogRecord);
  core->add_sink(parsed);
  core->add_sink(written);

  auto& logger = logging::trivial::logger::get();
  using logging::trivial::severity_level;
  for (const auto level : {severity_level::trace, severity_level::debug, severity_level::info,
                           severity_level::warning, severity_level::error, severity_level::fatal}) {
    BOOST_LOG_SEV(logger, level) << "Receieved an RTPS packet from an unknown RTPS vendor ID 0x0110";
  }
  BOOST_LOG_SEV(logger, severity_level::error) << "";
  BOOST_LOG_SEV(logger, severity_level::info) << "text with \"quotes\", a tab\\t, é and 100%";
  logging::sources::logger withoutSeverity;
  BOOST_LOG(withoutSeverity) << "no severity";

  core->remove_sink(parsed);
  core->remove_sink(written);
  ASSERT_FALSE(parsedText->str().empty());
  EXPECT_EQ(writtenText->str(), parsedText->str());
  EXPECT_NE(writtenText->str().find("] [warning] ["), std::string::npos);
}

}  // namespace
}  // namespace Quorvel
