#include <windows.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <thread>

#include "core/system_error.h"
#include "service/service_identity.h"
#include "service/service_installer.h"
#include "service/service_state_wait.h"

namespace vq {
namespace {

constexpr char kEventSourceKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\VQ_VEruredo";
constexpr DWORD kEventTypesSupported = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;

// A service control manager or service handle, closed once; the close keeps
// GetLastError, so a failure can still be read after the handle has gone.
class ScopedServiceHandle {
 public:
  explicit ScopedServiceHandle(SC_HANDLE handle) : handle_(handle) {}
  ~ScopedServiceHandle() {
    if (handle_) {
      DWORD error = GetLastError();
      CloseServiceHandle(handle_);
      SetLastError(error);
    }
  }
  ScopedServiceHandle(const ScopedServiceHandle&) = delete;
  ScopedServiceHandle& operator=(const ScopedServiceHandle&) = delete;

  SC_HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  SC_HANDLE handle_;
};

class ScopedKey {
 public:
  ScopedKey() = default;
  ~ScopedKey() {
    if (key_) RegCloseKey(key_);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  HKEY* receive() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// A failed call of the service control manager, worded as the system words it.
[[noreturn]] void ThrowLastError() { throw std::runtime_error(SystemErrorMessage(GetLastError())); }

void Check(LONG status) {
  if (status != ERROR_SUCCESS) throw std::runtime_error(SystemErrorMessage(static_cast<unsigned long>(status)));
}

// The event log reads the text of our entries from the message table inside the
// program: one message, id 0, "%1".
void RegisterLogSource(const std::string& executable_path) {
  ScopedKey key;
  Check(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, key.receive(), nullptr));
  Check(RegSetValueExA(key.get(), "EventMessageFile", 0, REG_EXPAND_SZ,
                       reinterpret_cast<const BYTE*>(executable_path.c_str()),
                       static_cast<DWORD>(executable_path.size() + 1)));
  DWORD types = kEventTypesSupported;
  Check(
      RegSetValueExA(key.get(), "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof(types)));
}

void UnregisterLogSource() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEventSourceKey); }

std::optional<ServiceStatus> QueryStatus(SC_HANDLE service) {
  SERVICE_STATUS status{};
  if (!QueryServiceStatus(service, &status)) return std::nullopt;
  return ServiceStatus{static_cast<ServiceState>(status.dwCurrentState), status.dwControlsAccepted, status.dwCheckPoint,
                       status.dwWaitHint};
}

// Waits, bounded, for the service to get to `target`; nothing when its state cannot be read.
std::optional<ServiceWaitOutcome> WaitForState(SC_HANDLE service, ServiceState target) {
  std::optional<ServiceStatus> status = QueryStatus(service);
  if (!status) return std::nullopt;
  return WaitForServiceState(
      target, *status, [service] { return QueryStatus(service); },
      [](std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); });
}

// The hooks reach the manager by the computer's own name, with connect rights only.
ScopedServiceHandle OpenManagerByComputerName() {
  char name[255] = {};
  DWORD size = sizeof(name);
  GetComputerNameA(name, &size);
  return ScopedServiceHandle(OpenSCManagerA(name, nullptr, SC_MANAGER_CONNECT));
}

// Runs one switch's work with the service control manager and shows its outcome:
// the failure always, the success unless silent. Returns the program's exit code.
int RunSwitch(const char* failure_format,
              const char* success_text,
              bool silent,
              InstallerDialogs& dialogs,
              const std::function<void(SC_HANDLE manager)>& work) {
  ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) {
    dialogs.ShowError(SystemErrorMessage(GetLastError()));
    return 1;
  }
  try {
    work(manager.get());
  } catch (const std::exception& error) {
    dialogs.ShowError(InstallFailureText(failure_format, error.what()));
    return 1;
  }
  if (!silent) dialogs.ShowInformation(success_text);
  return 0;
}

}  // namespace

void ServiceAfterInstall(const ServiceParts::LogFunction& log) {
  ScopedServiceHandle manager = OpenManagerByComputerName();
  if (!manager) return;
  ScopedServiceHandle service(OpenServiceA(manager.get(), kServiceName, SERVICE_START | SERVICE_QUERY_STATUS));
  if (!service || !StartServiceA(service.get(), 0, nullptr)) return;
  std::optional<ServiceWaitOutcome> outcome = WaitForState(service.get(), ServiceState::kRunning);
  // A falling checkpoint ends the wait silently; a service that failed to get to
  // running in any other way is worth a line.
  if (outcome && *outcome != ServiceWaitOutcome::kReached && *outcome != ServiceWaitOutcome::kCheckpointFell) {
    log(kCannotStartText, EventType::kError);
  }
}

void ServiceBeforeUninstall() {
  ScopedServiceHandle manager = OpenManagerByComputerName();
  if (!manager) return;
  ScopedServiceHandle service(OpenServiceA(manager.get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS));
  if (!service) return;
  SERVICE_STATUS stop_status{};
  if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &stop_status)) return;
  WaitForState(service.get(), ServiceState::kStopped);
}

int InstallService(const std::string& executable_path,
                   bool silent,
                   const ServiceParts::LogFunction& log,
                   InstallerDialogs& dialogs) {
  return RunSwitch(kInstallFailedFormat, kInstalledText, silent, dialogs, [&](SC_HANDLE manager) {
    // Quoted, so that a path with spaces cannot be read as another program
    // ("C:\Program.exe") that would then run as LocalSystem.
    const std::string command_line = "\"" + executable_path + "\"";
    ScopedServiceHandle service(CreateServiceA(manager, kServiceName, kServiceDisplayName, SERVICE_ALL_ACCESS,
                                               SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                               command_line.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service) ThrowLastError();
    try {
      RegisterLogSource(executable_path);
      ServiceAfterInstall(log);
    } catch (...) {
      DeleteService(service.get());
      UnregisterLogSource();
      throw;
    }
  });
}

int UninstallService(bool silent, InstallerDialogs& dialogs) {
  return RunSwitch(kUninstallFailedFormat, kUninstalledText, silent, dialogs, [](SC_HANDLE manager) {
    ServiceBeforeUninstall();
    ScopedServiceHandle service(OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS));
    if (!service) ThrowLastError();
    if (!DeleteService(service.get())) ThrowLastError();
    UnregisterLogSource();
  });
}

}  // namespace vq
