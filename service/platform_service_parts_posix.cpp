#include "service/platform_service_parts.h"

#include <syslog.h>

namespace vq {
namespace {

class PosixServiceParts final : public ServiceParts {
 public:
  explicit PosixServiceParts(const ServicePartsOptions& options) : options_(options) {}

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
  return std::make_unique<PosixServiceParts>(options);
}

void ReportProgramError(const std::string& message) { syslog(LOG_ERR, "%s", message.c_str()); }

}  // namespace vq
