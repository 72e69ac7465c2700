// The Linux service as systemd runs it: a foreground process that reads the
// settings file, polls the simulator, reports the power-off on "SHUTDOWN" (a
// dry run, as every start without --real-power-actions is) and ends on SIGTERM.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "core/password_cipher.h"
#include "core/registry.h"
#include "tests/support/simulator_process.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace vq {
namespace {

using namespace std::chrono_literals;
using Events = std::vector<std::string>;

// The log's lines without their time stamps.
Events LogMessages(const std::string& path) {
  std::istringstream text(testing::ReadWholeFile(path));
  Events messages;
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    messages.push_back(line.substr(line.find('\t') + 1));
  }
  return messages;
}

bool Contains(const Events& events, const std::string& event) {
  return std::find(events.begin(), events.end(), event) != events.end();
}

// Waits at most `timeout` for the process to end; its exit code, or -1.
int WaitForExit(pid_t pid, std::chrono::milliseconds timeout) {
  for (auto end = std::chrono::steady_clock::now() + timeout; std::chrono::steady_clock::now() < end;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(20ms);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

TEST(ServiceDaemonTest, ReportsThePowerOffOnShutdownAndStopsOnSigterm) {
  const char* daemon = std::getenv("VQ_SERVICE_DAEMON");
  if (!daemon) GTEST_SKIP() << "VQ_SERVICE_DAEMON names no service program";
  testing::SimulatorProcess simulator({"--password", "secret"}, "0 mains\n2 shutdown\n");
  testing::TempFolder folder;
  const std::string settings_file = folder.Path("monitor.reg");
  {
    auto key = CreateSettingsRegistryAt(settings_file)->OpenSettingsKey();
    key->WriteString("Remote Server UPS", "127.0.0.1");
    key->WriteInteger("Communication Port", simulator.port());
    key->WriteString("ServerPassword", EncryptPassword("secret"));
    key->WriteString("Programm Path", folder.Path(""));
    key->WriteInteger("Debug", 1);
  }
  std::string variable = "VQ_SETTINGS_FILE=" + settings_file;
  std::vector<char*> environment;
  for (char** entry = environ; *entry; ++entry) environment.push_back(*entry);
  environment.push_back(variable.data());
  environment.push_back(nullptr);
  std::string program = daemon;
  char* argv[] = {program.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, daemon, nullptr, nullptr, argv, environment.data()), 0);

  const std::string log = folder.Path("VQM.log");
  bool reported = false;
  for (int i = 0; i < 150 && !reported; ++i) {
    std::this_thread::sleep_for(100ms);
    reported = Contains(LogMessages(log), "dry run: would run systemctl poweroff");
  }
  EXPECT_TRUE(reported) << testing::ReadWholeFile(log);
  kill(pid, SIGTERM);
  EXPECT_EQ(WaitForExit(pid, 5s), 0);

  Events messages = LogMessages(log);
  ASSERT_GE(messages.size(), 4u);
  EXPECT_EQ(Events(messages.begin(), messages.begin() + 2),
            (Events{"Loading Settings...", "Service Vequor Clients Manager Started"}));
  EXPECT_EQ(messages.back(), "Service Vequor Clients Manager Stopped");
  Events commands = simulator.Commands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.front(), "LOGIN secret");
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "TIMEOUT"), static_cast<long>(commands.size() - 1));
}

}  // namespace
}  // namespace vq
