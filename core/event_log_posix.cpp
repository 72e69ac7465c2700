#include <syslog.h>

#include "core/event_log.h"

namespace vq {
namespace {

class SyslogEventLog final : public EventLog {
 public:
  // openlog keeps the pointer, so the ident lives as long as this object.
  explicit SyslogEventLog(const std::string& source) : ident_(source) { openlog(ident_.c_str(), LOG_PID, LOG_DAEMON); }
  ~SyslogEventLog() override { closelog(); }
  SyslogEventLog(const SyslogEventLog&) = delete;
  SyslogEventLog& operator=(const SyslogEventLog&) = delete;

  void Write(EventType type, const std::string& text) override {
    syslog(type == EventType::kError ? LOG_ERR : LOG_INFO, "%s", text.c_str());
  }

 private:
  std::string ident_;
};

}  // namespace

std::unique_ptr<EventLog> OpenEventLog(const std::string& source) { return std::make_unique<SyslogEventLog>(source); }

}  // namespace vq
