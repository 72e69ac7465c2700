// The service program on Windows: the install switches, or the service itself
// under the service control manager, with its ticks on the main thread.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/platform_info.h"
#include "core/system_error.h"
#include "service/core_service_parts.h"
#include "service/service_controller.h"
#include "service/service_identity.h"
#include "service/service_installer.h"
#include "service/service_module.h"
#include "service/service_switches.h"

namespace vq {
namespace {

class MessageBoxDialogs final : public InstallerDialogs {
 public:
  void ShowInformation(const std::string& text) override {
    MessageBoxA(nullptr, text.c_str(), kServiceDisplayName, MB_OK | MB_ICONINFORMATION);
  }
  void ShowError(const std::string& text) override {
    MessageBoxA(nullptr, text.c_str(), kServiceDisplayName, MB_OK | MB_ICONERROR);
  }
};

// SetServiceStatus for the one service of this process. Reports that come before
// the control handler is registered have nowhere to go and are dropped.
class ScmStatusReporter final : public StatusReporter {
 public:
  void Attach(SERVICE_STATUS_HANDLE handle) { handle_ = handle; }
  void Report(const ServiceStatus& status) override {
    SERVICE_STATUS_HANDLE handle = handle_;
    if (!handle) return;
    SERVICE_STATUS record{};
    record.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    record.dwCurrentState = static_cast<DWORD>(status.state);
    record.dwControlsAccepted = status.controls_accepted;
    record.dwWin32ExitCode = NO_ERROR;
    record.dwCheckPoint = status.checkpoint;
    record.dwWaitHint = status.wait_hint_ms;
    SetServiceStatus(handle, &record);
  }

 private:
  std::atomic<SERVICE_STATUS_HANDLE> handle_{nullptr};
};

// The service main entry has no context argument: it finds the module here.
TVQ_VEruredo* running_module = nullptr;

DWORD WINAPI ControlHandler(DWORD control, DWORD, void*, void* context) {
  auto& controller = *static_cast<ServiceController*>(context);
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
    case SERVICE_CONTROL_INTERROGATE:
    case SERVICE_CONTROL_SHUTDOWN:
      controller.HandleControl(static_cast<ServiceControl>(control));
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

// The service main thread is the control side: ServiceStart, the controls, ServiceStop.
void WINAPI ServiceMain(DWORD, char**) {
  ScmStatusReporter reporter;
  ServiceController controller(*running_module, reporter);
  SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerExA(kServiceName, ControlHandler, &controller);
  if (!handle) {
    running_module->ReportUnhandledError(SystemErrorMessage(GetLastError()));
    return;
  }
  reporter.Attach(handle);
  controller.Run();
}

std::string ExecutablePath() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return std::string(path.data(), length);
    path.resize(path.size() * 2);
  }
}

int RunService(TVQ_VEruredo& module) {
  running_module = &module;
  // The dispatcher gets a thread of its own, so that the ticks keep the main thread.
  std::thread dispatcher([&module] {
    SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(kServiceName), ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table)) running_module->ReportUnhandledError(SystemErrorMessage(GetLastError()));
    module.StopTicks();
  });
  module.RunTicks();
  dispatcher.join();
  return 0;
}

}  // namespace
}  // namespace vq

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace vq;
  std::vector<std::string> arguments(__argv + 1, __argv + __argc);
  ServiceSwitches switches = ParseServiceSwitches(arguments);
  const std::string executable_path = ExecutablePath();
  CoreServiceParts parts(ServicePartsOptions{executable_path, PowerMode::kReal});
  TVQ_VEruredo module(parts, CreateTcpTransport, PlatformExitFlags());
  auto log = [&module](const std::string& message, EventType type) { module.WriteLog(message, type); };
  MessageBoxDialogs dialogs;
  switch (switches.Command()) {
    case ServiceCommand::kInstall:
      return InstallService(executable_path, switches.silent, log, dialogs);
    case ServiceCommand::kUninstall:
      return UninstallService(switches.silent, dialogs);
    case ServiceCommand::kRun:
      break;
  }
  return RunService(module);
}
