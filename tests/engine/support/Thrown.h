#pragma once

#include <exception>
#include <string>
#include <typeinfo>

namespace Quorvel::Testing {

// The what() of the exception of type E that `operation` throws; "<no exception>" when none,
// "<other: ...>" when it throws something else.
template <typename E, typename Operation>
std::string Thrown(Operation&& operation) {
  try {
    operation();
  } catch (const E& e) {
    return e.what();
  } catch (const std::exception& e) {
    return std::string("<other: ") + typeid(e).name() + ": " + e.what() + ">";
  }
  return "<no exception>";
}

}  // namespace Quorvel::Testing
