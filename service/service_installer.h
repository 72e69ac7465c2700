#pragma once

#include <string>

#include "service/service_module.h"

namespace vq {

inline constexpr char kInstalledText[] = "Service installed successfully";
inline constexpr char kUninstalledText[] = "Service uninstalled successfully";
inline constexpr char kInstallFailedFormat[] = "Service \"%s\" failed to install with error: \"%s\"";
inline constexpr char kUninstallFailedFormat[] = "Service \"%s\" failed to uninstall with error: \"%s\"";
inline constexpr char kCannotStartText[] = "Can not start Service VQ Clients Manager";

// Where the install command line shows its outcome: message boxes in the program,
// a recorder in the tests (a message box would wait for a click forever there).
class InstallerDialogs {
 public:
  virtual ~InstallerDialogs() = default;
  virtual void ShowInformation(const std::string& text) = 0;
  virtual void ShowError(const std::string& text) = 0;
};

// "Service "%s" failed to ... with error: "%s"" with the display name and the message.
std::string InstallFailureText(const char* format, const std::string& message);

// Registers the service for `executable_path`, registers its event-log source,
// then runs ServiceAfterInstall; a failure of the hook undoes the registration.
// Returns the program's exit code.
int InstallService(const std::string& executable_path,
                   bool silent,
                   const ServiceParts::LogFunction& log,
                   InstallerDialogs& dialogs);

// Runs ServiceBeforeUninstall, then removes the service and its event-log source.
int UninstallService(bool silent, InstallerDialogs& dialogs);

// Starts the service just registered and waits, bounded, until it runs; a
// service that does not get there is logged as "Can not start Service VQ Clients Manager".
void ServiceAfterInstall(const ServiceParts::LogFunction& log);
// Stops the service if it runs and waits, bounded, until it has stopped.
void ServiceBeforeUninstall();

}  // namespace vq
