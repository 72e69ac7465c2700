// The install switches and the control plumbing against Wine's service control
// manager, with the real service program; message boxes are recorded instead.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "core/system_error.h"
#include "service/service_identity.h"
#include "service/service_installer.h"

namespace vq {
namespace {

using Events = std::vector<std::string>;

class RecordingDialogs final : public InstallerDialogs {
 public:
  Events shown;
  void ShowInformation(const std::string& text) override { shown.push_back("info:" + text); }
  void ShowError(const std::string& text) override { shown.push_back("error:" + text); }
};

// "\"" + path + "\"" trips a false -Wrestrict of GCC 12 at -O3.
std::string Quoted(const std::string& path) {
  std::string quoted(1, '"');
  quoted.append(path).push_back('"');
  return quoted;
}

// The service program built beside this test, as a Windows path.
std::string ServiceProgram() {
  const char* path = std::getenv("VQ_SERVICE_EXE");
  std::string windows_path = std::string("Z:") + (path ? path : "");
  for (char& c : windows_path) {
    if (c == '/') c = '\\';
  }
  return windows_path;
}

class Handle {
 public:
  explicit Handle(SC_HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_) CloseServiceHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  SC_HANDLE get() const { return handle_; }

 private:
  SC_HANDLE handle_;
};

DWORD CurrentState(SC_HANDLE service) {
  SERVICE_STATUS status{};
  return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

// Waits (bounded) for the state a control leads to.
DWORD WaitForState(SC_HANDLE service, DWORD state) {
  for (int i = 0; i < 100 && CurrentState(service) != state; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return CurrentState(service);
}

class ServiceInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("VQ_SERVICE_EXE")) GTEST_SKIP() << "VQ_SERVICE_EXE names no service program";
  }
  void TearDown() override {
    RecordingDialogs ignored;
    UninstallService(true, ignored);
  }

  int Install(bool silent) {
    return InstallService(ServiceProgram(), silent, [this](const std::string& message, EventType type) {
      log.push_back(std::to_string(static_cast<int>(type)) + ":" + message);
    }, dialogs);
  }

  Handle Manager() { return Handle(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)); }

  RecordingDialogs dialogs;
  Events log;
};

TEST_F(ServiceInstallTest, InstallRegistersTheServiceQuotedAndLeavesItRunning) {
  ASSERT_EQ(Install(false), 0);
  EXPECT_EQ(dialogs.shown, Events{"info:Service installed successfully"});
  EXPECT_EQ(log, Events{});

  Handle manager = Manager();
  Handle service(OpenServiceA(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
  ASSERT_NE(service.get(), nullptr);
  EXPECT_EQ(CurrentState(service.get()), static_cast<DWORD>(SERVICE_RUNNING)) << "running once the switch returns";

  std::vector<char> buffer(8192);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  DWORD needed = 0;
  ASSERT_TRUE(QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed));
  EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
  EXPECT_EQ(std::string(config->lpBinaryPathName), Quoted(ServiceProgram()));
  EXPECT_EQ(std::string(config->lpDisplayName), "Vequor Clients Manager");
  EXPECT_EQ(std::string(config->lpServiceStartName), "LocalSystem");

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\VQ_VEruredo",
                          0, KEY_READ, &key),
            ERROR_SUCCESS);
  char message_file[MAX_PATH] = {};
  DWORD size = sizeof(message_file);
  DWORD types = 0;
  DWORD types_size = sizeof(types);
  EXPECT_EQ(RegQueryValueExA(key, "EventMessageFile", nullptr, nullptr, reinterpret_cast<BYTE*>(message_file), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key, "TypesSupported", nullptr, nullptr, reinterpret_cast<BYTE*>(&types), &types_size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(std::string(message_file), ServiceProgram());
  EXPECT_EQ(types, 7u);
}

TEST_F(ServiceInstallTest, PauseAndContinueAreAcceptedAndInterrogateAnswers) {
  ASSERT_EQ(Install(true), 0);
  EXPECT_EQ(dialogs.shown, Events{}) << "silent on success";
  Handle manager = Manager();
  Handle service(OpenServiceA(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
  SERVICE_STATUS status{};
  ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_PAUSE, &status));
  EXPECT_EQ(WaitForState(service.get(), SERVICE_PAUSED), static_cast<DWORD>(SERVICE_PAUSED));
  ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_INTERROGATE, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_PAUSED));
  ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_CONTINUE, &status));
  EXPECT_EQ(WaitForState(service.get(), SERVICE_RUNNING), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(status.dwControlsAccepted, 7u);
}

TEST_F(ServiceInstallTest, UninstallStopsARunningServiceAndRemovesIt) {
  ASSERT_EQ(Install(true), 0);
  ASSERT_EQ(UninstallService(false, dialogs), 0);
  EXPECT_EQ(dialogs.shown, Events{"info:Service uninstalled successfully"});
  Handle manager = Manager();
  EXPECT_EQ(OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_STATUS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\VQ_VEruredo",
                          0, KEY_READ, &key),
            ERROR_SUCCESS);
}

TEST_F(ServiceInstallTest, FailuresShowTheirBoxAlsoWhenSilent) {
  ASSERT_EQ(Install(true), 0);
  EXPECT_EQ(Install(true), 1);
  ASSERT_EQ(UninstallService(true, dialogs), 0);
  EXPECT_EQ(UninstallService(true, dialogs), 1);
  EXPECT_EQ(dialogs.shown,
            (Events{"error:Service \"Vequor Clients Manager\" failed to install with error: \"" +
                        SystemErrorMessage(ERROR_SERVICE_EXISTS) + "\"",
                    "error:Service \"Vequor Clients Manager\" failed to uninstall with error: \"" +
                        SystemErrorMessage(ERROR_SERVICE_DOES_NOT_EXIST) + "\""}));
}

TEST_F(ServiceInstallTest, StartedByHandWithoutASwitchTheProgramEnds) {
  std::string command_line = Quoted(ServiceProgram());
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace vq
