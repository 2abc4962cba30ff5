#pragma once

// What an engine has done since Init: a snapshot of counters the engine keeps while it runs.
// Every sample or frame that the engine gives up on is counted under exactly one drop reason,
// so for a recording: frames read = frames carrying RTPS + frames dropped before RTPS, and
// samples found = samples delivered + samples dropped.

#include <cstdint>
#include <map>
#include <string>

namespace Quorvel {

struct EngineStatistics {
  // Capture: frames (packets) read from an interface or a recording, RTPS messages that
  // reached the parser (a reassembled IPv4 datagram counts once).
  std::uint64_t framesRead = 0;
  std::uint64_t rtpsMessagesParsed = 0;
  // Sub-messages seen by the parser, by the name of their id ("RTPS_DATA", "INFO_TS", ...;
  // an id without a name as "0x" + two hexadecimal digits).
  std::map<std::string, std::uint64_t> subMessagesByKind;

  // Samples handed to the application (listener or queue).
  std::uint64_t userSamplesDelivered = 0;
  std::uint64_t discoverySamplesDelivered = 0;

  // Samples given up on, by reason.
  std::uint64_t droppedNoMatchingWriter = 0;  // user data of a writer without discovery
  std::uint64_t droppedNoData = 0;            // dispose/unregister carrying no payload (passive)
  std::uint64_t droppedConversionError = 0;   // payload that does not decode as its type
  std::uint64_t droppedDissectionError = 0;   // decoded sample that could not be flattened
  std::uint64_t droppedMalformedInput = 0;    // frames, messages, sub-messages that break the wire rules
  std::uint64_t droppedNonRtps = 0;           // frames that are not IPv4/UDP/RTPS
  std::uint64_t droppedIncompleteFragments = 0;  // fragmented samples evicted before completion
  std::uint64_t droppedCaptureOverflow = 0;   // frames the capture could not keep up with
  std::uint64_t droppedNotDissected = 0;      // samples of builtin writers that are neither
                                              // discovery nor user data (e.g. liveliness)
  std::uint64_t droppedUnknownType = 0;       // writer announcements without topic, type or
                                              // GUID, or of a type no type file defines

  // Live capture: frames that libpcap or the interface dropped before the engine could read
  // them (pcap_stats ps_drop + ps_ifdrop); they are not among framesRead.
  std::uint64_t capturePacketsDroppedByDriver = 0;

  // Messages waiting in the pipeline queues at the time of the snapshot, by queue name.
  std::map<std::string, std::uint64_t> queueDepths;
};

}  // namespace Quorvel
