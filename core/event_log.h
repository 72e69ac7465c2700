#pragma once

#include <memory>
#include <string>

#include "core/event_type.h"

namespace vq {

// The source under which the service's entries appear in the Application log.
inline constexpr char kServiceEventSource[] = "VQ_VEruredo";

// The system's event log as one source writes to it. A failure to write an
// entry is ignored: the entries are the last resort for reporting failures.
// Implementations: event_log_win.cpp (the Application event log),
// event_log_posix.cpp (syslog, with the source as its ident).
class EventLog {
 public:
  virtual ~EventLog() = default;
  // One entry holding `text` (single-byte, the ANSI code page), category 0, identifier 0.
  virtual void Write(EventType type, const std::string& text) = 0;
};

std::unique_ptr<EventLog> OpenEventLog(const std::string& source);

}  // namespace vq
