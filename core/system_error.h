#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vq {

// The operating system's own description of an error code (FormatMessage on
// Windows, strerror elsewhere), without the line break the system appends.
std::string SystemErrorText(std::uint32_t code);

// A failed system call, carrying the system's text for it as the user reads it.
class SystemError : public std::runtime_error {
 public:
  explicit SystemError(std::uint32_t code) : std::runtime_error(SystemErrorText(code)), code_(code) {}
  std::uint32_t Code() const { return code_; }

 private:
  std::uint32_t code_;
};

}  // namespace vq
