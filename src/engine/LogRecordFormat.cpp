#include "engine/LogRecordFormat.h"

#include "dissection/CommonHelperFunctions.h"

#include <boost/date_time/posix_time/posix_time.hpp>
#include <boost/log/attributes/current_thread_id.hpp>
#include <boost/log/attributes/value_extraction.hpp>
#include <boost/log/expressions/message.hpp>
#include <boost/log/trivial.hpp>
#include <boost/log/utility/formatting_ostream.hpp>

#include <charconv>
#include <cstdint>
#include <string>

namespace Quorvel {

namespace {

namespace logging = boost::log;
using CommonHelperFunctions::WriteZeroPadded;

// "YYYY-MM-DD HH:MM:SS.ffffff", the time stamp's default text.
void WriteTimeStamp(logging::formatting_ostream& out, const boost::posix_time::ptime& time) {
  if (time.is_special()) {
    out << time;
    return;
  }
  const auto date = time.date().year_month_day();
  const auto clock = time.time_of_day();
  char text[32];
  char* cursor = WriteZeroPadded(text, date.year, 4);
  *cursor++ = '-';
  cursor = WriteZeroPadded(cursor, date.month.as_number(), 2);
  *cursor++ = '-';
  cursor = WriteZeroPadded(cursor, date.day, 2);
  *cursor++ = ' ';
  cursor = WriteZeroPadded(cursor, static_cast<std::uint64_t>(clock.hours()), 2);
  *cursor++ = ':';
  cursor = WriteZeroPadded(cursor, static_cast<std::uint64_t>(clock.minutes()), 2);
  *cursor++ = ':';
  cursor = WriteZeroPadded(cursor, static_cast<std::uint64_t>(clock.seconds()), 2);
  *cursor++ = '.';
  cursor = WriteZeroPadded(cursor, static_cast<std::uint64_t>(clock.fractional_seconds()),
                  boost::posix_time::time_duration::num_fractional_digits());
  out.write(text, cursor - text);
}

// "0x" and the native id in lower-case hexadecimal, zero-padded to the width of its type.
void WriteThreadId(logging::formatting_ostream& out,
                   const logging::attributes::current_thread_id::value_type& thread) {
  constexpr int kDigits = 2 * sizeof(thread.native_id());
  char text[2 + kDigits];
  text[0] = '0';
  text[1] = 'x';
  auto value = static_cast<std::uint64_t>(thread.native_id());
  for (int i = kDigits - 1; i >= 0; --i, value >>= 4) {
    text[2 + i] = "0123456789abcdef"[value & 0x0F];
  }
  out.write(text, sizeof text);
}

void WriteSeverity(logging::formatting_ostream& out, logging::trivial::severity_level level) {
  if (const char* name = logging::trivial::to_string(level)) {
    out << name;
  } else {
    out << static_cast<int>(level);
  }
}

}  // namespace

void WriteLogRecord(const logging::record_view& record, logging::formatting_ostream& out) {
  out << '[';
  if (const auto time = logging::extract<boost::posix_time::ptime>("TimeStamp", record)) {
    WriteTimeStamp(out, *time);
  }
  out << "] [";
  if (const auto thread =
          logging::extract<logging::attributes::current_thread_id::value_type>("ThreadID", record)) {
    WriteThreadId(out, *thread);
  }
  out << "] [";
  if (const auto level = logging::extract<logging::trivial::severity_level>("Severity", record)) {
    WriteSeverity(out, *level);
  }
  out << "] [";
  if (const auto line = logging::extract<unsigned int>("LineID", record)) {
    char text[16];
    const auto end = std::to_chars(text, text + sizeof text, *line).ptr;
    out.write(text, end - text);
  }
  out << "] ";
  if (const auto message = logging::extract<std::string>(logging::expressions::tag::message::get_name(), record)) {
    out << *message;
  }
}

}  // namespace Quorvel
