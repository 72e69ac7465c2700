#include <windows.h>
// <windows.h> makes OpenEventLog a macro for OpenEventLogA; ours keeps its name.
#undef OpenEventLog

#include "core/event_log.h"

namespace vq {
namespace {

class WinEventLog final : public EventLog {
 public:
  explicit WinEventLog(const std::string& source) : handle_(RegisterEventSourceA(nullptr, source.c_str())) {}
  ~WinEventLog() override {
    if (handle_) DeregisterEventSource(handle_);
  }
  WinEventLog(const WinEventLog&) = delete;
  WinEventLog& operator=(const WinEventLog&) = delete;

  void Write(EventType type, const std::string& text) override {
    if (!handle_) return;
    const char* strings[] = {text.c_str()};
    ReportEventA(handle_, static_cast<WORD>(type), 0, 0, nullptr, 1, 0, strings, nullptr);
  }

 private:
  HANDLE handle_;
};

}  // namespace

std::unique_ptr<EventLog> OpenEventLog(const std::string& source) { return std::make_unique<WinEventLog>(source); }

}  // namespace vq
