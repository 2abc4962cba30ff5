#pragma once

#include <string>

namespace Quorvel {

// One reader or writer as the engine knows it.
struct EndpointInfo {
  std::string name;           // the endpoint's own name
  std::string parentName;     // its publisher or subscriber
  std::string qualifiedName;  // parentName + "::" + name
  std::string topicName;
  std::string typeName;
  std::string guid;           // "0x" + hexadecimal digits, when known
};

struct ReaderInfo : EndpointInfo {};
struct WriterInfo : EndpointInfo {};

}  // namespace Quorvel
