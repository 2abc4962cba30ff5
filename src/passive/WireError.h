#pragma once

#include <stdexcept>
#include <string>

namespace Quorvel::passive {

// Bytes off the wire that do not hold what their headers claim: a truncated frame, a length
// past the end, a parameter list without its sentinel. The stage that catches it drops the one
// frame, message or sub-message and logs the text.
class WireError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace Quorvel::passive
