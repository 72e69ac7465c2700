#include "core/platform_info.h"

namespace vq {

bool IsWindowsNtFamily() { return false; }

}  // namespace vq
