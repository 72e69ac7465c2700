#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/command_client.h"

namespace vq::testing {

// Waits against the simulator on 127.0.0.1: short enough for tests of a hung
// server, long enough for a loaded machine (or Wine) to answer in time.
inline constexpr ClientTimeouts kSimulatorTimeouts{std::chrono::milliseconds(2000), std::chrono::milliseconds(500)};

// One line of the simulator's event log: "TIME SOURCE EVENT [TEXT]".
struct SimulatorLogEntry {
  std::chrono::system_clock::time_point time;
  std::string source;  // "simulator", "discovery", "client#1", ...
  std::string event;   // "connect", "command", "sent", "disconnect", ...
  std::string text;    // as logged: control bytes and '\' written as \xHH
};

// Runs the UPS server simulator (the program named by VQ_SIMULATOR) for one test,
// on free ports, and stops it when destroyed. Natively and under Wine alike: Wine
// starts the Linux program but can neither wait for it nor kill it, so the
// simulator is stopped through its stop file, and its port file vanishing says
// that it has ended; --max-seconds 120 bounds a simulator that a crashed test left.
class SimulatorProcess {
 public:
  // `arguments` come after the helper's own (--port 0, the files, --quiet), so they
  // can override them. A non-empty `scenario` is written to a file and passed as
  // --scenario. Throws std::runtime_error when the simulator does not get ready.
  explicit SimulatorProcess(std::vector<std::string> arguments = {}, const std::string& scenario = {});
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  std::uint16_t port() const { return port_; }
  // 0 when started with --no-discovery.
  std::uint16_t discovery_port() const { return discovery_port_; }

  // Every line of the event log so far.
  std::vector<SimulatorLogEntry> CommandLog() const;
  // The texts of the "command" lines, in the order received.
  std::vector<std::string> Commands() const;
  // Waits until the log holds `count` lines with this event; false when it did not in time.
  bool WaitForEvent(const std::string& event, std::size_t count = 1,
                    std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

  // Asks the simulator to stop and waits for it; reports a failure to GoogleTest
  // when it does not stop cleanly. The destructor calls it when the test did not.
  void Stop();

 private:
  class Child;  // the started program, per platform
  struct ChildDeleter {
    void operator()(Child* child) const;
  };

  // Platform parts: simulator_process_posix.cpp, simulator_process_win.cpp.
  // A new empty directory, named as the simulator (a Linux program) sees it.
  static std::string MakeScratchDirectory();
  // The same path as this process opens it (under Wine: through drive Z:).
  static std::string LocalPath(const std::string& simulator_path);
  // Starts the program with its output going to `output_path`. Throws std::runtime_error.
  static std::unique_ptr<Child, ChildDeleter> Launch(const std::string& program,
                                                      const std::vector<std::string>& arguments,
                                                      const std::string& output_path);
  // The exit code once the program has ended, nullopt when it is still running
  // after `timeout` or when the platform cannot tell (Wine).
  static std::optional<int> WaitForExit(Child& child, std::chrono::milliseconds timeout);
  static void Kill(Child& child);
  static bool CanWaitForExit();

  std::string ReadLocal(const std::string& simulator_path) const;
  std::uint16_t WaitForPortFile(const std::string& simulator_path);

  std::string directory_;
  std::string port_file_, discovery_port_file_, stop_file_, log_file_, output_file_;
  std::unique_ptr<Child, ChildDeleter> child_;
  std::uint16_t port_ = 0;
  std::uint16_t discovery_port_ = 0;
  bool stopped_ = false;
};

}  // namespace vq::testing
