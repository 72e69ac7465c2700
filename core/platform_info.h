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

inline std::uint32_t PlatformExitFlags() { return IsWindowsNtFamily() ? kExitFlagsNtFamily : kExitFlagsOther; }

}  // namespace vq
