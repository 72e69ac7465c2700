#include <syslog.h>

#include "service/program_error_log.h"

namespace vq {

void ReportProgramError(const std::string& message) { syslog(LOG_ERR, "%s", message.c_str()); }

}  // namespace vq
