#include <windows.h>

#include <optional>

#include "core/platform_info.h"

namespace vq {
namespace {

// GetVersionEx is deprecated but still reports the platform id, and a major
// version that tells Windows 2000 and later from older systems: all we ask.
std::optional<OSVERSIONINFOA> VersionInfo() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return std::nullopt;
#pragma GCC diagnostic pop
  return info;
}

}  // namespace

bool IsWindowsNtFamily() {
  auto info = VersionInfo();
  return !info || info->dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::uint32_t WindowsMajorVersion() {
  auto info = VersionInfo();
  return info ? info->dwMajorVersion : 0;
}

}  // namespace vq
