#pragma once

// The log's record format, "[%TimeStamp%] [%ThreadID%] [%Severity%] [%LineID%] %Message%",
// written directly. boost.log's formatter parsed from that text converts the time stamp through
// a stream locale's facets for every record, which was most of the cost of a record: a
// recording logs a line per datagram from an unknown vendor. The text is the same byte for
// byte (an attribute a record lacks leaves its brackets empty, as the parsed formatter does).

#include <boost/log/core/record_view.hpp>
#include <boost/log/utility/formatting_ostream_fwd.hpp>

namespace Quorvel {

// The placeholders of the format, as boost.log's format parser takes them.
inline constexpr const char* kLogRecordFormat =
    "[%TimeStamp%] [%ThreadID%] [%Severity%] [%LineID%] %Message%";

void WriteLogRecord(const boost::log::record_view& record, boost::log::formatting_ostream& out);

}  // namespace Quorvel
