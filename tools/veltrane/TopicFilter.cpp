#include "TopicFilter.h"

#include <fnmatch.h>

namespace Quorvel::Cli {

TopicFilter::TopicFilter(std::vector<std::string> topicGlobs) : globs(std::move(topicGlobs)) {}

bool TopicFilter::Passes(const std::string& topic) const {
  if (globs.empty()) return true;
  for (const std::string& glob : globs) {
    if (fnmatch(glob.c_str(), topic.c_str(), 0) == 0) return true;
  }
  return false;
}

}  // namespace Quorvel::Cli
