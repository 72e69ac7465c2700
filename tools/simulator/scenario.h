#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vq::simulator {

enum class PowerState { kMains, kBattery, kCountdown, kShutdown };

// "mains", "battery", "countdown", "shutdown": the words of the scenario file.
std::string_view PowerStateName(PowerState state);

// What the simulated UPS answers at one moment.
struct UpsSnapshot {
  std::size_t step = 0;  // which step is in force: 0 the steady start, then the file's steps in order
  PowerState state = PowerState::kMains;
  std::string record;   // the DATA reply text
  std::string timeout;  // the TIMEOUT reply text: the countdown in seconds, or "SHUTDOWN"
};

// A mistake in a scenario file; the message names the line.
class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The UPS's course over time: timed steps, each holding until the next one, with
// values that may move linearly across a step. Without steps the UPS stays on
// mains with the countdown at 0. The file format is in ScenarioFormatHelp().
class Scenario {
 public:
  Scenario();

  // Throws ScenarioError("line N: ...").
  static Scenario Parse(const std::string& text);

  UpsSnapshot At(std::chrono::duration<double> since_start) const;

  std::size_t StepCount() const { return steps_.size(); }

 private:
  struct Value {
    double start = 0;
    double end = 0;
    double At(double fraction) const { return start + (end - start) * fraction; }
  };
  struct Step {
    double at = 0;  // seconds since the simulator started
    PowerState state = PowerState::kMains;
    int countdown = 0;
    Value input, output, load, battery;
    std::string status;
    std::optional<std::string> data;
    std::optional<std::string> timeout;
  };

  void ParseLine(const std::string& line);

  std::vector<Step> steps_;
};

// The scenario file format, for --help.
const char* ScenarioFormatHelp();

}  // namespace vq::simulator
