#include <windows.h>

#include "service/program_error_log.h"

namespace vq {
namespace {

std::string ProgramFileName() {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string full(path, length);
  return full.substr(full.find_last_of("\\/") + 1);
}

}  // namespace

void ReportProgramError(const std::string& message) {
  HANDLE source = RegisterEventSourceA(nullptr, ProgramFileName().c_str());
  if (!source) return;
  const char* strings[] = {message.c_str()};
  ReportEventA(source, EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
  DeregisterEventSource(source);
}

}  // namespace vq
