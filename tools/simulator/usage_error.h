#pragma once

#include <stdexcept>

namespace vq::simulator {

// A mistake on the command line; the simulator prints it and ends with exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vq::simulator
