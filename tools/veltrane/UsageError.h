#pragma once

#include <stdexcept>

namespace Quorvel::Cli {

// A command line that asks for something impossible: exit status 2, like a parse error.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace Quorvel::Cli
