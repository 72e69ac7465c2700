#include "core/platform_info.h"

namespace vq {

bool IsWindowsNtFamily() { return false; }

std::uint32_t WindowsMajorVersion() { return 0; }

}  // namespace vq
