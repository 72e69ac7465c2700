#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>

#include "tests/support/child_process.h"

extern char** environ;

namespace vq::testing {

std::string ProgramBesideThisOne(const std::string& name) {
  char path[PATH_MAX] = {};
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  std::string self = length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
  return self.substr(0, self.rfind('/') + 1) + name;
}

std::vector<int> RunTogether(const std::vector<std::vector<std::string>>& commands) {
  std::vector<pid_t> children;
  for (const std::vector<std::string>& command : commands) {
    std::vector<char*> argv;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = -1;
    if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) child = -1;
    children.push_back(child);
  }
  std::vector<int> codes;
  for (pid_t child : children) {
    int status = 0;
    bool ended = child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status);
    codes.push_back(ended ? WEXITSTATUS(status) : -1);
  }
  return codes;
}

}  // namespace vq::testing
