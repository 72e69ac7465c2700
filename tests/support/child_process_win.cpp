#include <windows.h>

#include "tests/support/child_process.h"

namespace vq::testing {

std::string ProgramBesideThisOne(const std::string& name) {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string self(path, length);
  return self.substr(0, self.find_last_of("\\/") + 1) + name + ".exe";
}

std::vector<int> RunTogether(const std::vector<std::vector<std::string>>& commands) {
  std::vector<HANDLE> children;
  for (const std::vector<std::string>& command : commands) {
    std::string line;
    for (const std::string& argument : command) line += (line.empty() ? "\"" : " \"") + argument + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      CloseHandle(process.hThread);
      children.push_back(process.hProcess);
    } else {
      children.push_back(nullptr);
    }
  }
  std::vector<int> codes;
  for (HANDLE child : children) {
    DWORD code = 0;
    bool ended = child && WaitForSingleObject(child, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(child, &code);
    codes.push_back(ended ? static_cast<int>(code) : -1);
    if (child) CloseHandle(child);
  }
  return codes;
}

}  // namespace vq::testing
