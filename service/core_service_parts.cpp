#include "service/core_service_parts.h"

#include "service/program_error_log.h"

namespace vq {

CoreServiceParts::CoreServiceParts(const ServicePartsOptions& options)
    : options_(options),
      power_(CreatePowerControl(
          [this](const std::string& line) {
            if (power_log_) (*power_log_)(line, EventType::kInformation);
          },
          options.power_mode)) {}

LoadedServiceSettings CoreServiceParts::LoadSettings(const LogFunction&) {
  return LoadedServiceSettings{ServiceSettings{}, std::chrono::milliseconds(1000)};
}

void CoreServiceParts::AppendLog(const std::string&, EventType, const std::string&) {}

void CoreServiceParts::ShutdownComputer(std::uint32_t exit_flags, int shutdown_mode, const LogFunction& log) {
  power_log_ = &log;
  power_->ShutdownComputer(exit_flags, shutdown_mode);
  power_log_ = nullptr;
}

void CoreServiceParts::ReportUnhandledError(const std::string& message) { ReportProgramError(message); }

}  // namespace vq
