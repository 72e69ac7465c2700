#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "tests/support/simulator_process.h"

extern char** environ;

namespace vq::testing {

class SimulatorProcess::Child {
 public:
  pid_t pid = -1;
  std::optional<int> exit_code;
};

void SimulatorProcess::ChildDeleter::operator()(Child* child) const { delete child; }

std::string SimulatorProcess::MakeScratchDirectory() {
  const char* temp = std::getenv("TMPDIR");
  std::string pattern = std::string(temp && *temp ? temp : "/tmp") + "/vq-simulator.XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp: " + std::string(std::strerror(errno)));
  return pattern;
}

std::string SimulatorProcess::LocalPath(const std::string& simulator_path) { return simulator_path; }

std::unique_ptr<SimulatorProcess::Child, SimulatorProcess::ChildDeleter> SimulatorProcess::Launch(
    const std::string& program, const std::vector<std::string>& arguments, const std::string& output_path) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  std::unique_ptr<Child, ChildDeleter> child(new Child);
  int status = ::posix_spawn(&child->pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (status != 0) throw std::runtime_error("cannot start " + program + ": " + std::strerror(status));
  return child;
}

bool SimulatorProcess::CanWaitForExit() { return true; }

std::optional<int> SimulatorProcess::WaitForExit(Child& child, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!child.exit_code) {
    int status = 0;
    pid_t result = ::waitpid(child.pid, &status, WNOHANG);
    if (result == child.pid) {
      child.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else if (result < 0 && errno != EINTR) {
      child.exit_code = -1;
    } else if (std::chrono::steady_clock::now() >= deadline) {
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return child.exit_code;
}

void SimulatorProcess::Kill(Child& child) {
  if (child.exit_code) return;
  ::kill(child.pid, SIGKILL);
  WaitForExit(child, std::chrono::seconds(5));
}

}  // namespace vq::testing
