#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "service/service_module.h"

namespace vq::testing {

// Service parts that record every call as one event: "log<type>:<message>",
// "shutdown:<flags>:<mode>", "unhandled:<message>". The settings load runs the
// test's script, which may log through the module and may throw.
class RecordingServiceParts final : public ServiceParts {
 public:
  std::function<ServiceSettings(PollTimer&, const LogFunction&)> load = [](PollTimer&, const LogFunction&) {
    return ServiceSettings{};
  };
  // The program path each log line was written with, in step with the log events.
  std::vector<std::string> log_program_paths;

  ServiceSettings LoadSettings(PollTimer& timer, const LogFunction& log) override { return load(timer, log); }
  void AppendLog(const std::string& message, EventType type, const std::string& program_path) override {
    Add("log" + std::to_string(static_cast<int>(type)) + ":" + message);
    std::lock_guard lock(mutex_);
    log_program_paths.push_back(program_path);
  }
  void ShutdownComputer(std::uint32_t exit_flags, int mode, const LogFunction&) override {
    Add("shutdown:" + std::to_string(exit_flags) + ":" + std::to_string(mode));
  }
  void ReportUnhandledError(const std::string& message) override { Add("unhandled:" + message); }

  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
  }

 private:
  void Add(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }

  std::mutex mutex_;
  std::vector<std::string> events_;
};

}  // namespace vq::testing
