#include <cstring>

#include "core/system_error.h"

namespace vq {

std::string SystemErrorMessage(unsigned long code) { return std::strerror(static_cast<int>(code)); }

}  // namespace vq
