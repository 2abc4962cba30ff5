#pragma once

#include <string>
#include <vector>

namespace Quorvel::Cli {

// Shell-style globs on topic names ("Vessel*", "Port?larms"); no globs pass every topic.
class TopicFilter {
 public:
  explicit TopicFilter(std::vector<std::string> globs);
  bool Passes(const std::string& topic) const;

 private:
  std::vector<std::string> globs;
};

}  // namespace Quorvel::Cli
