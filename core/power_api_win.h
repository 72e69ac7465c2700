#pragma once

#include <memory>

#include "core/power_api.h"

namespace vq {

// The real Win32 calls (Windows build only). In a dry run ExitWindowsEx and
// SetSuspendState are reported instead of made; every other call is real.
std::unique_ptr<PowerApi> CreateWin32PowerApi(PowerReport report, PowerMode mode = PowerMode::kDryRun);

}  // namespace vq
