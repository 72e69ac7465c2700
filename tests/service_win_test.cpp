// The install switches and the control plumbing against Wine's service control
// manager, with the real service program; message boxes are recorded instead.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

#include "core/password_cipher.h"
#include "core/system_error.h"
#include "service/service_identity.h"
#include "service/service_installer.h"
#include "tests/support/simulator_process.h"

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

// The service program as installed: a copy of the one built beside this test,
// in a folder whose name has a space, which also holds its log.
constexpr char kProgramFolder[] = "C:\\Program Files\\Vequor Monitor\\";
constexpr char kSettingsKey[] = "Software\\Vequor\\Monitor";
std::string ServiceProgram() { return std::string(kProgramFolder) + "VQVEruredo.exe"; }
std::string LogFilePath() { return std::string(kProgramFolder) + "VQM.log"; }

bool CopyBuiltProgram() {
  const char* path = std::getenv("VQ_SERVICE_EXE");
  if (!path) return false;
  std::string built = std::string("Z:") + path;
  for (char& c : built) {
    if (c == '/') c = '\\';
  }
  CreateDirectoryA(kProgramFolder, nullptr);
  return CopyFileA(built.c_str(), ServiceProgram().c_str(), FALSE);
}

void SetSetting(const char* name, const std::string& text) {
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKey, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}
void SetSetting(const char* name, DWORD number) {
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKey, name, REG_DWORD, &number, sizeof(number));
}

// The lines of the service's log, each without its time stamp.
Events LogMessages() {
  std::ifstream file(LogFilePath(), std::ios::binary);
  Events messages;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    messages.push_back(line.substr(line.find('\t') + 1));
  }
  return messages;
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
    if (!CopyBuiltProgram()) GTEST_SKIP() << "VQ_SERVICE_EXE names no service program to install";
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
    DeleteFileA(LogFilePath().c_str());
  }
  void TearDown() override {
    RecordingDialogs ignored;
    UninstallService(true, ignored);
  }

  // Settings that point the service at the simulator.
  void UseSimulator(const testing::SimulatorProcess& simulator, const std::string& password) {
    SetSetting("Remote Server UPS", "127.0.0.1");
    SetSetting("Communication Port", simulator.port());
    SetSetting("ServerPassword", EncryptPassword(password));
  }

  int Install(bool silent) {
    return InstallService(
        ServiceProgram(), silent,
        [this](const std::string& message, EventType type) {
          log.push_back(std::to_string(static_cast<int>(type)) + ":" + message);
        },
        dialogs);
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

  // The event viewer shows an entry through message 0 of that file: the entry's own text.
  HMODULE messages = LoadLibraryExA(message_file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(messages, nullptr);
  std::string text = "Service Vequor Clients Manager Started";
  DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(text.c_str())};
  char shown[256] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, messages, 0, 0, shown,
                                sizeof(shown), reinterpret_cast<va_list*>(inserts));
  FreeLibrary(messages);
  std::string entry(shown, length);
  EXPECT_EQ(entry.substr(0, entry.find_last_not_of("\r\n") + 1), text);
}

TEST_F(ServiceInstallTest, APausedServiceStillPollsAndInterrogateAnswers) {
  testing::SimulatorProcess simulator;
  SetSetting("Remote Server UPS", "127.0.0.1");
  SetSetting("Communication Port", simulator.port());
  ASSERT_EQ(Install(true), 0);
  EXPECT_EQ(dialogs.shown, Events{}) << "silent on success";
  ASSERT_TRUE(simulator.WaitForEvent("command", 1));
  Handle manager = Manager();
  Handle service(OpenServiceA(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
  SERVICE_STATUS status{};
  ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_PAUSE, &status));
  EXPECT_EQ(WaitForState(service.get(), SERVICE_PAUSED), static_cast<DWORD>(SERVICE_PAUSED));
  ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_INTERROGATE, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_PAUSED));
  std::size_t polls = simulator.Commands().size();
  EXPECT_TRUE(simulator.WaitForEvent("command", polls + 2, std::chrono::seconds(6))) << "paused, it still polls";
  ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_CONTINUE, &status));
  EXPECT_EQ(WaitForState(service.get(), SERVICE_RUNNING), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(status.dwControlsAccepted, 7u);
}

// With "Debug" on and "Interval" 5: the first tick 5 s after the start, LOGIN,
// then TIMEOUT every 2 s; the start and the stop in the log; nothing sent at the stop.
TEST_F(ServiceInstallTest, RunsUnattendedFromItsStoredSettings) {
  testing::SimulatorProcess simulator({"--password", "secret"});
  UseSimulator(simulator, "secret");
  SetSetting("Debug", 1);
  SetSetting("Interval", 5);
  auto started = std::chrono::system_clock::now();
  ASSERT_EQ(Install(true), 0);
  ASSERT_TRUE(simulator.WaitForEvent("command", 5, std::chrono::seconds(20)));
  ASSERT_EQ(UninstallService(true, dialogs), 0);
  EXPECT_EQ(dialogs.shown, Events{});

  std::vector<testing::SimulatorLogEntry> commands;
  for (const auto& entry : simulator.CommandLog()) {
    if (entry.event == "command") commands.push_back(entry);
  }
  ASSERT_GE(commands.size(), 5u);
  EXPECT_EQ(commands[0].text, "LOGIN secret");
  auto seconds = [](auto duration) { return std::chrono::duration<double>(duration).count(); };
  EXPECT_GT(seconds(commands[0].time - started), 4.0) << "the first tick waits for \"Interval\"";
  EXPECT_LT(seconds(commands[0].time - started), 7.5);
  for (std::size_t i = 1; i < commands.size(); ++i) {
    EXPECT_EQ(commands[i].text, "TIMEOUT") << "command " << i;
    EXPECT_GT(seconds(commands[i].time - commands[i - 1].time), 1.5) << "command " << i;
    EXPECT_LT(seconds(commands[i].time - commands[i - 1].time), 3.0) << "command " << i;
  }
  EXPECT_EQ(LogMessages(), (Events{"Loading Settings...", "Service Vequor Clients Manager Started",
                                   "Service Vequor Clients Manager Stopped"}));
}

TEST_F(ServiceInstallTest, WithNoServerStoredItConnectsNowhereAndWritesNothing) {
  testing::SimulatorProcess simulator;
  SetSetting("Communication Port", simulator.port());
  ASSERT_EQ(Install(true), 0);
  std::this_thread::sleep_for(std::chrono::seconds(4));
  ASSERT_EQ(UninstallService(true, dialogs), 0);
  auto log = simulator.CommandLog();
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const auto& entry) { return entry.event == "connect"; }), 0);
  EXPECT_EQ(GetFileAttributesA(LogFilePath().c_str()), INVALID_FILE_ATTRIBUTES) << "no log line, no log file";
}

// A server that stops answering or refuses the login must not hold the service:
// it keeps running, logs what went wrong, and stops and uninstalls promptly even
// while a tick waits for a reply.
TEST_F(ServiceInstallTest, AMisbehavingServerDoesNotHoldTheService) {
  struct Case {
    const char* fault;
    const char* awaited;  // the simulator event to wait for, and how many of them
    std::size_t count;
    const char* logged;  // a line of VQM.log, without its time stamp
  };
  // A hung LOGIN takes the reply time-out (5 s); the next tick's TIMEOUT hangs
  // too, and the service is stopped while it waits. A refused LOGIN leaves it polling.
  for (const Case& c : {Case{"hang-after-greeting", "command", 2, "(645): Read timed out."},
                        // The reply text as received, its CR LF written as two spaces.
                        Case{"refuse-login", "command", 3, "Login refused  "}}) {
    SCOPED_TRACE(c.fault);
    DeleteFileA(LogFilePath().c_str());
    testing::SimulatorProcess simulator({"--password", "secret", "--fault", c.fault});
    UseSimulator(simulator, "secret");
    ASSERT_EQ(Install(true), 0);
    ASSERT_TRUE(simulator.WaitForEvent(c.awaited, c.count, std::chrono::seconds(25)));
    Events messages = LogMessages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), c.logged), messages.end()) << ::testing::PrintToString(messages);
    {
      Handle manager = Manager();
      Handle service(OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_STATUS));
      EXPECT_EQ(CurrentState(service.get()), static_cast<DWORD>(SERVICE_RUNNING));
    }
    auto stopping = std::chrono::steady_clock::now();
    ASSERT_EQ(UninstallService(true, dialogs), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(10));
    EXPECT_EQ(dialogs.shown, Events{});
  }
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
  EXPECT_EQ(dialogs.shown, (Events{"error:Service \"Vequor Clients Manager\" failed to install with error: \"" +
                                       SystemErrorMessage(ERROR_SERVICE_EXISTS) + "\"",
                                   "error:Service \"Vequor Clients Manager\" failed to uninstall with error: \"" +
                                       SystemErrorMessage(ERROR_SERVICE_DOES_NOT_EXIST) + "\""}));
}

TEST_F(ServiceInstallTest, StartedByHandWithoutASwitchTheProgramEnds) {
  std::string command_line = Quoted(ServiceProgram());
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(
      CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace vq
