#pragma once

#include <string>

namespace vq {

// The operating system's own description of an error code (GetLastError on
// Windows, errno elsewhere), without a trailing line break: the text the log shows.
std::string SystemErrorMessage(unsigned long code);

}  // namespace vq
