#include "core/power_api_posix.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <utility>

extern char** environ;

namespace vq {
namespace {

// The verb of "systemctl" for a shutdown mode; empty for a mode without an action.
std::string SystemctlVerb(int mode) {
  switch (mode) {
    case kPowerOffMode:
      return "poweroff";
    case kSuspendMode:
      return "suspend";
    case kHibernateMode:
      return "hibernate";
    default:
      return {};
  }
}

// Runs "systemctl <verb>" without a shell and waits for it; true when it succeeded.
bool RunSystemctl(std::string verb) {
  std::string program = "systemctl";
  char* argv[] = {program.data(), verb.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

SystemdPowerControl::SystemdPowerControl(PowerReport report, PowerMode mode, std::string power_state_file)
    : report_(std::move(report)), mode_(mode), power_state_file_(std::move(power_state_file)) {}

bool SystemdPowerControl::ShutdownComputer(std::uint32_t /*exit_flags*/, int mode) {
  std::string verb = SystemctlVerb(mode);
  if (verb.empty()) return false;
  if (mode_ != PowerMode::kReal) {
    if (report_) report_("dry run: would run systemctl " + verb);
    return true;
  }
  return RunSystemctl(std::move(verb));
}

bool SystemdPowerControl::SuspendAllowed() { return PowerStateOffers({"mem", "standby", "freeze"}); }

bool SystemdPowerControl::HibernateAllowed() { return PowerStateOffers({"disk"}); }

bool SystemdPowerControl::PowerStateOffers(std::initializer_list<std::string_view> states) const {
  std::ifstream file(power_state_file_);
  std::string offered;
  while (file >> offered) {
    if (std::find(states.begin(), states.end(), offered) != states.end()) return true;
  }
  return false;
}

std::unique_ptr<PowerControl> CreatePowerControl(PowerReport report, PowerMode mode) {
  return std::make_unique<SystemdPowerControl>(std::move(report), mode);
}

}  // namespace vq
