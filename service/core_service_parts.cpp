#include "service/core_service_parts.h"

#include "core/event_log.h"

namespace vq {

CoreServiceParts::CoreServiceParts(const ServicePartsOptions& options)
    : options_(options),
      power_(CreatePowerControl(
          [this](const std::string& line) {
            if (power_log_) (*power_log_)(line, EventType::kInformation);
          },
          options.power_mode)) {}

ServiceSettings CoreServiceParts::LoadSettings(PollTimer& timer, const LogFunction&) {
  timer.SetInterval(std::chrono::milliseconds(1000));
  timer.Start();
  return ServiceSettings{};
}

void CoreServiceParts::AppendLog(const std::string&, EventType, const std::string&) {}

void CoreServiceParts::ShutdownComputer(std::uint32_t exit_flags, int shutdown_mode, const LogFunction& log) {
  power_log_ = &log;
  power_->ShutdownComputer(exit_flags, shutdown_mode);
  power_log_ = nullptr;
}

void CoreServiceParts::ReportUnhandledError(const std::string& message) {
  // Under the program file's name, as the system logs a program's own failures.
  const std::string& path = options_.executable_path;
  OpenEventLog(path.substr(path.find_last_of("\\/") + 1))->Write(EventType::kError, message);
}

}  // namespace vq
