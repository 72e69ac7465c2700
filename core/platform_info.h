#pragma once

#include <cstdint>

namespace vq {

// The exit flags handed to ShutdownComputer: EWX_POWEROFF | EWX_FORCE on the
// Windows NT family, EWX_SHUTDOWN | EWX_FORCE elsewhere.
inline constexpr std::uint32_t kExitFlagsNtFamily = 12;
inline constexpr std::uint32_t kExitFlagsOther = 5;

// Whether the operating system belongs to the Windows NT family. The POSIX build
// answers false: it has no ExitWindowsEx, and its power actions ignore the flags.
bool IsWindowsNtFamily();

// The major version number that Windows reports (5 for Windows 2000 and XP, 6 or
// more since); 0 in the POSIX build.
std::uint32_t WindowsMajorVersion();

inline std::uint32_t PlatformExitFlags() { return IsWindowsNtFamily() ? kExitFlagsNtFamily : kExitFlagsOther; }

}  // namespace vq
