#pragma once

#include <string>
#include <vector>

#include "core/monitoring_loop.h"

namespace vq::testing {

// Hosts that write every call into one event list, so a test compares the whole
// sequence the loop produced: "status:...", "alert:...", "lost", "data:...",
// "countdown:N", "log:...", "shutdown:FLAGS".
class RecordingDesktopHost final : public DesktopLoopHost {
 public:
  ConnectionParameters parameters{"ups.local", 9706, "secret"};
  std::vector<std::string> events;

  ConnectionParameters ConnectionSettings() override { return parameters; }
  void ShutdownComputer(std::uint32_t exit_flags) override { events.push_back("shutdown:" + std::to_string(exit_flags)); }
  void WriteLog(const std::string& message) override { events.push_back("log:" + message); }
  void OnStatusLine(const std::string& text) override { events.push_back("status:" + text); }
  void OnAlert(const std::string& text) override { events.push_back("alert:" + text); }
  void OnDataLost() override { events.push_back("lost"); }
  void OnUpsData(const std::string& record) override { events.push_back("data:" + record); }
  void OnCountdown(std::int32_t seconds) override { events.push_back("countdown:" + std::to_string(seconds)); }
};

class RecordingServiceHost final : public ServiceLoopHost {
 public:
  ConnectionParameters parameters{"ups.local", 9706, "secret"};
  std::vector<std::string> events;

  ConnectionParameters ConnectionSettings() override { return parameters; }
  void ShutdownComputer(std::uint32_t exit_flags) override { events.push_back("shutdown:" + std::to_string(exit_flags)); }
  void WriteLog(const std::string& message, EventType type) override {
    events.push_back("log" + std::to_string(static_cast<int>(type)) + ":" + message);
  }
};

}  // namespace vq::testing
