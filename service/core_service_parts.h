#pragma once

#include <memory>
#include <string>

#include "core/event_log.h"
#include "core/local_clock.h"
#include "core/log_file.h"
#include "core/log_file_system.h"
#include "core/power_api.h"
#include "core/registry.h"
#include "core/settings_store.h"
#include "service/service_module.h"

namespace vq {

struct ServicePartsOptions {
  std::string executable_path;
  // A dry run only reports the power action in the log.
  PowerMode power_mode = PowerMode::kDryRun;
};

// The service's parts on either platform: the settings store, the log writer
// with the system's log, and the power actions, each through its core seam.
class CoreServiceParts final : public ServiceParts {
 public:
  explicit CoreServiceParts(const ServicePartsOptions& options);

  ServiceSettings LoadSettings(PollTimer& timer, const LogFunction& log) override;
  // Before the first load has read "Programm Path", the stored value (or, when
  // there is none, the program's own folder, which the load will store) stands
  // in for it, so the first line cannot fix "LogFile" to a bare name that each
  // program would then resolve against its own current folder.
  void AppendLog(const std::string& message, EventType type, const std::string& program_path) override;
  void ShutdownComputer(std::uint32_t exit_flags, int shutdown_mode, const LogFunction& log) override;
  void ReportUnhandledError(const std::string& message) override;

 private:
  ServicePartsOptions options_;
  std::unique_ptr<SettingsRegistry> registry_;
  SettingsStore settings_;
  std::unique_ptr<LogFileSystem> files_;
  std::unique_ptr<LocalClock> clock_;
  std::unique_ptr<EventLog> event_log_;
  ServiceLogWriter log_writer_;
  std::unique_ptr<PowerControl> power_;
  // The log of the ShutdownComputer call under way, for the dry run's report.
  const LogFunction* power_log_ = nullptr;
};

}  // namespace vq
