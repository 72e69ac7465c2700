#include <cstring>

#include "core/system_error.h"

namespace vq {

std::string SystemErrorText(std::uint32_t code) { return std::strerror(static_cast<int>(code)); }

}  // namespace vq
