#pragma once

#include <memory>
#include <string>

#include "service/service_module.h"

namespace vq {

struct ServicePartsOptions {
  std::string executable_path;
  // Linux only: really power off, suspend or hibernate instead of reporting it.
  bool real_power_actions = false;
};

// The parts of this platform: the settings store, the log writer with the
// system's log, and the power actions.
std::unique_ptr<ServiceParts> CreatePlatformServiceParts(const ServicePartsOptions& options);

// An error that has no log line of its own (the program started by hand, an
// error escaping a tick): an error entry in the system's log, under the program
// file's name.
void ReportProgramError(const std::string& message);

}  // namespace vq
