#include "service/core_service_parts.h"

#include "core/password_cipher.h"

namespace vq {
namespace {

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

}  // namespace

CoreServiceParts::CoreServiceParts(const ServicePartsOptions& options)
    : options_(options),
      registry_(CreateSystemSettingsRegistry()),
      settings_(*registry_, PasswordCipher{EncryptPassword, DecryptPassword}, options.executable_path),
      files_(CreateLogFileSystem()),
      clock_(CreateLocalClock()),
      event_log_(OpenEventLog(kServiceEventSource)),
      log_writer_(*registry_, *files_, *clock_, *event_log_),
      power_(CreatePowerControl(
          [this](const std::string& line) {
            if (power_log_) (*power_log_)(line, EventType::kInformation);
          },
          options.power_mode)) {}

ServiceSettings CoreServiceParts::LoadSettings(PollTimer& timer, const LogFunction& log) {
  return settings_.LoadServiceSettings(timer, log);
}

void CoreServiceParts::AppendLog(const std::string& message, EventType type, const std::string& program_path) {
  log_writer_.SetProgramPath(program_path.empty() ? settings_.ProgramPathBeforeLoad() : program_path);
  log_writer_.WriteLog(message, type);
}

void CoreServiceParts::ShutdownComputer(std::uint32_t exit_flags, int shutdown_mode, const LogFunction& log) {
  power_log_ = &log;
  power_->ShutdownComputer(exit_flags, shutdown_mode);
  power_log_ = nullptr;
}

void CoreServiceParts::ReportUnhandledError(const std::string& message) {
  // Under the program file's name, as the system logs a program's own failures.
  OpenEventLog(FileNameOf(options_.executable_path))->Write(EventType::kError, message);
}

}  // namespace vq
