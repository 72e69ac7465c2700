#pragma once

#include <string>

namespace vq {

// An error that has no log line of its own (the program started by hand, an
// error escaping a tick): an error entry in the system's log under the program
// file's name, the Application event log on Windows, syslog elsewhere.
void ReportProgramError(const std::string& message);

}  // namespace vq
