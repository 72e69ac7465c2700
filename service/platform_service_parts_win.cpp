#include <windows.h>

#include "service/platform_service_parts.h"

namespace vq {
namespace {

std::string ProgramFileName() {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string full(path, length);
  return full.substr(full.find_last_of("\\/") + 1);
}

class WindowsServiceParts final : public ServiceParts {
 public:
  explicit WindowsServiceParts(const ServicePartsOptions& options) : options_(options) {}

  LoadedServiceSettings LoadSettings(const LogFunction&) override {
    return LoadedServiceSettings{ServiceSettings{}, std::chrono::milliseconds(1000)};
  }
  void AppendLog(const std::string&, EventType, const std::string&) override {}
  void ShutdownComputer(std::uint32_t, int) override {}
  void ReportUnhandledError(const std::string& message) override { ReportProgramError(message); }

 private:
  ServicePartsOptions options_;
};

}  // namespace

std::unique_ptr<ServiceParts> CreatePlatformServiceParts(const ServicePartsOptions& options) {
  return std::make_unique<WindowsServiceParts>(options);
}

void ReportProgramError(const std::string& message) {
  HANDLE source = RegisterEventSourceA(nullptr, ProgramFileName().c_str());
  if (!source) return;
  const char* strings[] = {message.c_str()};
  ReportEventA(source, EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
  DeregisterEventSource(source);
}

}  // namespace vq
