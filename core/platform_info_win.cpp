#include <windows.h>

#include "core/platform_info.h"

namespace vq {

bool IsWindowsNtFamily() {
  // GetVersionEx is deprecated but still reports the platform id, which is all we ask.
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return true;
#pragma GCC diagnostic pop
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace vq
