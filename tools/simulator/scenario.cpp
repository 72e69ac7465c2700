#include "tools/simulator/scenario.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace vq::simulator {
namespace {

constexpr char kMainsStatus[] = "00001000";
constexpr double kMainsInput = 230.0;
constexpr double kBatteryInput = 0.0;
constexpr std::size_t kUtilityFailFlag = 0;
constexpr std::size_t kShutdownActiveFlag = 6;

struct StateWord {
  const char* name;
  PowerState state;
};
constexpr StateWord kStateWords[] = {{"mains", PowerState::kMains},
                                     {"battery", PowerState::kBattery},
                                     {"countdown", PowerState::kCountdown},
                                     {"shutdown", PowerState::kShutdown}};

bool OnBattery(PowerState state) { return state != PowerState::kMains; }

std::optional<double> ParseNumber(std::string_view text) {
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// Splits at white space; a double-quoted part keeps its spaces; '#' outside quotes
// starts a comment.
std::vector<std::string> Tokens(const std::string& line) {
  std::vector<std::string> tokens;
  std::string current;
  bool in_token = false;
  bool quoted = false;
  for (char c : line) {
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else {
        current += c;
      }
    } else if (c == '"') {
      quoted = in_token = true;
    } else if (c == '#') {
      break;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      if (in_token) tokens.push_back(std::move(current));
      current.clear();
      in_token = false;
    } else {
      current += c;
      in_token = true;
    }
  }
  if (quoted) throw ScenarioError("a quoted value has no closing quote");
  if (in_token) tokens.push_back(std::move(current));
  return tokens;
}

std::string FormatNumber(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.*f", decimals, value);
  return text;
}

}  // namespace

std::string_view PowerStateName(PowerState state) {
  for (const auto& word : kStateWords) {
    if (word.state == state) return word.name;
  }
  return "?";
}

Scenario::Scenario() {
  Step start;
  start.input = {kMainsInput, kMainsInput};
  start.output = {230.0, 230.0};
  start.load = {35.0, 35.0};
  start.battery = {13.6, 13.6};
  start.status = kMainsStatus;
  steps_.push_back(start);
}

Scenario Scenario::Parse(const std::string& text) {
  Scenario scenario;
  std::istringstream lines(text);
  std::string line;
  std::vector<int> line_numbers{0};
  for (int number = 1; std::getline(lines, line); ++number) {
    try {
      std::size_t before = scenario.steps_.size();
      scenario.ParseLine(line);
      if (scenario.steps_.size() > before) line_numbers.push_back(number);
    } catch (const ScenarioError& error) {
      throw ScenarioError("line " + std::to_string(number) + ": " + error.what());
    }
  }
  const Step& last = scenario.steps_.back();
  for (const Value* value : {&last.input, &last.output, &last.load, &last.battery}) {
    if (value->start != value->end) {
      throw ScenarioError("line " + std::to_string(line_numbers.back()) +
                          ": a range (FROM..TO) needs a later step at which it ends");
    }
  }
  return scenario;
}

void Scenario::ParseLine(const std::string& line) {
  std::vector<std::string> tokens = Tokens(line);
  if (tokens.empty()) return;
  if (tokens.size() < 2) throw ScenarioError("expected a time in seconds and a state");

  const Step& previous = steps_.back();
  Step step;
  std::optional<double> at = ParseNumber(tokens[0]);
  if (!at || *at < 0) throw ScenarioError("the time \"" + tokens[0] + "\" is not a number of seconds");
  if (*at < previous.at) throw ScenarioError("the steps must be in time order");
  step.at = *at;

  auto word = std::find_if(std::begin(kStateWords), std::end(kStateWords),
                           [&](const StateWord& candidate) { return tokens[1] == candidate.name; });
  if (word == std::end(kStateWords)) {
    throw ScenarioError("unknown state \"" + tokens[1] + "\" (mains, battery, countdown, shutdown)");
  }
  step.state = word->state;

  std::size_t next = 2;
  if (step.state == PowerState::kCountdown) {
    std::optional<double> seconds = tokens.size() > 2 ? ParseNumber(tokens[2]) : std::nullopt;
    if (!seconds || *seconds < 0 || *seconds != std::floor(*seconds) || *seconds > 1e9) {
      throw ScenarioError("countdown needs its start in whole seconds, as in \"12 countdown 30\"");
    }
    step.countdown = static_cast<int>(*seconds);
    next = 3;
  }

  // Values carry over from where the previous step ended; the input voltage
  // follows the power source when the step does not give it.
  auto held = [](const Value& value) { return Value{value.end, value.end}; };
  step.input = held(previous.input);
  if (OnBattery(step.state) != OnBattery(previous.state)) {
    double input = OnBattery(step.state) ? kBatteryInput : kMainsInput;
    step.input = {input, input};
  }
  step.output = held(previous.output);
  step.load = held(previous.load);
  step.battery = held(previous.battery);
  step.status = previous.status;
  step.status[kUtilityFailFlag] = OnBattery(step.state) ? '1' : '0';
  step.status[kShutdownActiveFlag] = step.state == PowerState::kShutdown ? '1' : '0';

  for (; next < tokens.size(); ++next) {
    const std::string& token = tokens[next];
    auto equals = token.find('=');
    if (equals == std::string::npos) throw ScenarioError("expected key=value, found \"" + token + "\"");
    std::string key = token.substr(0, equals);
    std::string value = token.substr(equals + 1);
    Value* number = key == "input"     ? &step.input
                    : key == "output"  ? &step.output
                    : key == "load"    ? &step.load
                    : key == "battery" ? &step.battery
                                       : nullptr;
    if (number) {
      auto dots = value.find("..");
      std::optional<double> from = ParseNumber(value.substr(0, dots));
      std::optional<double> to = dots == std::string::npos ? from : ParseNumber(value.substr(dots + 2));
      if (!from || !to) throw ScenarioError(key + "=" + value + " is neither a number nor a range FROM..TO");
      *number = {*from, *to};
    } else if (key == "status") {
      if (value.size() != 8) throw ScenarioError("status needs exactly 8 flag characters, as in status=10001000");
      step.status = value;
    } else if (key == "data") {
      step.data = value;
    } else if (key == "timeout") {
      step.timeout = value;
    } else {
      throw ScenarioError("unknown key \"" + key + "\" (input, output, load, battery, status, data, timeout)");
    }
  }
  steps_.push_back(step);
}

UpsSnapshot Scenario::At(std::chrono::duration<double> since_start) const {
  double now = since_start.count();
  std::size_t index = 0;
  while (index + 1 < steps_.size() && steps_[index + 1].at <= now) ++index;
  const Step& step = steps_[index];
  double fraction = 0;
  if (index + 1 < steps_.size() && steps_[index + 1].at > step.at) {
    fraction = std::clamp((now - step.at) / (steps_[index + 1].at - step.at), 0.0, 1.0);
  }

  UpsSnapshot snapshot;
  snapshot.step = index;
  snapshot.state = step.state;
  std::string input = FormatNumber(step.input.At(fraction), 1);
  snapshot.record = step.data.value_or(input + " " + input + " " + FormatNumber(step.output.At(fraction), 1) + " " +
                                       FormatNumber(step.load.At(fraction), 0) + " 50.0 " +
                                       FormatNumber(step.battery.At(fraction), 1) + " 25.0 " + step.status);
  if (step.timeout) {
    snapshot.timeout = *step.timeout;
  } else if (step.state == PowerState::kShutdown) {
    snapshot.timeout = "SHUTDOWN";
  } else if (step.state == PowerState::kCountdown) {
    auto elapsed = static_cast<long long>(std::floor(std::max(0.0, now - step.at)));
    snapshot.timeout = std::to_string(std::max(0LL, step.countdown - elapsed));
  } else {
    snapshot.timeout = "0";
  }
  return snapshot;
}

const char* ScenarioFormatHelp() {
  return R"(Scenario file (--scenario FILE): one step per line, '#' starts a comment.
  SECONDS STATE [COUNTDOWN] [KEY=VALUE ...]
SECONDS counts from the simulator's start (fractions allowed, in time order);
a step holds until the next one, the last one for good. Before the first step,
and without a scenario, the UPS is on mains: DATA "230.0 230.0 230.0 35 50.0
13.6 25.0 00001000", TIMEOUT "0".
STATE:
  mains              utility power; TIMEOUT 0
  battery            utility failed (status position 0 is 1); TIMEOUT 0
  countdown N        on battery; TIMEOUT counts down from N, one per second, to 0
  shutdown           on battery, status position 6 (shutdown active) 1; TIMEOUT SHUTDOWN
KEY=VALUE (a value in double quotes may hold spaces):
  input=V output=V load=PERCENT battery=V
      a number, or FROM..TO for a linear move across the step (needs a next step).
      Not given: the value where the previous step ended; the input voltage
      becomes 230 on a change to mains and 0 on a change to battery.
  status=WORD   the 8 flag characters of DATA field 7; not given: the previous
      step's word with position 0 set by the state and position 6 by shutdown
  data=TEXT     the whole DATA reply text instead of the record
  timeout=TEXT  the whole TIMEOUT reply text
DATA record: input, input, output, load, 50.0 (frequency), battery, 25.0
(temperature), status; voltages with one decimal, load whole.
Example:
  0    mains      load=35 battery=13.6
  5    battery    battery=12.8..11.4
  15   countdown 12  status=11001000 battery=11.4..10.8
  27   shutdown
)";
}

}  // namespace vq::simulator
