#pragma once

// The participant definition the engine uses, as mapped from the participant-configuration
// file: which domain it joins, which types it registers under which names, which topics use
// them, and its readers and writers. Written once while the engine initialises.

#include <quorvel/EndpointInfo.h>

#include <map>
#include <string>

namespace Quorvel {

struct DomainInfo {
  std::string domainLibraryName;
  std::string domainName;
  std::string participantLibraryName;
  std::string participantName;                   // empty when the file has no participant
  std::map<std::string, WriterInfo> writers;     // by the writer's own name
  std::map<std::string, ReaderInfo> readers;     // by the reader's own name
  std::map<std::string, std::string> registeredTypes;  // register_type name -> type definition
  std::map<std::string, std::string> topics;           // topic name -> type definition
  std::string sourceFile;                        // the participant-configuration file
};

}  // namespace Quorvel
