#include "tests/support/simulator_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace vq::testing {
namespace {

constexpr auto kReadyTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr auto kPollStep = std::chrono::milliseconds(10);

// "2026-12-11T13:45:01.234Z"; nullopt for anything else.
std::optional<std::chrono::system_clock::time_point> ParseUtcTime(const std::string& text) {
  int year, month, day, hour, minute, second, millisecond;
  char zone = 0;
  if (text.size() != 24 || std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c", &year, &month, &day, &hour,
                                       &minute, &second, &millisecond, &zone) != 8 || zone != 'Z') {
    return std::nullopt;
  }
  using namespace std::chrono;
  sys_days date = year_month_day{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                                 std::chrono::day(static_cast<unsigned>(day))};
  return time_point_cast<system_clock::duration>(date + hours(hour) + minutes(minute) + seconds(second) +
                                                 milliseconds(millisecond));
}

}  // namespace

SimulatorProcess::SimulatorProcess(std::vector<std::string> arguments, const std::string& scenario) {
  const char* program = std::getenv("VQ_SIMULATOR");
  if (!program || !*program) throw std::runtime_error("VQ_SIMULATOR does not name the UPS server simulator");

  directory_ = MakeScratchDirectory();
  port_file_ = directory_ + "/port";
  discovery_port_file_ = directory_ + "/discovery-port";
  stop_file_ = directory_ + "/stop";
  log_file_ = directory_ + "/events.log";
  output_file_ = directory_ + "/output.txt";

  std::vector<std::string> all = {"--port",       "0",         "--port-file", port_file_,       "--stop-file",
                                  stop_file_,     "--log",     log_file_,     "--max-seconds", "120",
                                  "--quiet"};
  bool discovery = std::find(arguments.begin(), arguments.end(), "--no-discovery") == arguments.end();
  if (discovery) all.insert(all.end(), {"--discovery-port", "0", "--discovery-port-file", discovery_port_file_});
  if (!scenario.empty()) {
    std::string scenario_file = directory_ + "/scenario.txt";
    std::ofstream(LocalPath(scenario_file), std::ios::binary) << scenario;
    all.insert(all.end(), {"--scenario", scenario_file});
  }
  all.insert(all.end(), arguments.begin(), arguments.end());

  child_ = Launch(program, all, output_file_);
  try {
    port_ = WaitForPortFile(port_file_);
    if (discovery) discovery_port_ = WaitForPortFile(discovery_port_file_);
  } catch (...) {
    stopped_ = true;
    if (CanWaitForExit()) Kill(*child_);
    std::error_code ignored;
    std::filesystem::remove_all(LocalPath(directory_), ignored);
    throw;
  }
}

SimulatorProcess::~SimulatorProcess() {
  Stop();
  if (::testing::Test::HasFailure()) {
    std::cerr << "--- UPS server simulator output ---\n"
              << ReadLocal(output_file_) << "--- UPS server simulator event log ---\n"
              << ReadLocal(log_file_) << "---\n";
  }
  std::error_code ignored;
  std::filesystem::remove_all(LocalPath(directory_), ignored);
}

std::uint16_t SimulatorProcess::WaitForPortFile(const std::string& simulator_path) {
  auto deadline = std::chrono::steady_clock::now() + kReadyTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    std::string text = ReadLocal(simulator_path);
    if (!text.empty()) return static_cast<std::uint16_t>(std::stoi(text));
    // The simulator reports a wrong command line and ends; no need to wait further.
    if (ReadLocal(output_file_).find("ups_simulator: ") != std::string::npos) break;
    if (CanWaitForExit() && WaitForExit(*child_, std::chrono::milliseconds(0))) break;
    std::this_thread::sleep_for(kPollStep);
  }
  throw std::runtime_error("the UPS server simulator did not get ready: " + ReadLocal(output_file_));
}

void SimulatorProcess::Stop() {
  if (stopped_) return;
  stopped_ = true;
  std::ofstream(LocalPath(stop_file_)).put('\n');

  auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
  while (!ReadLocal(port_file_).empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kPollStep);
  }
  if (!ReadLocal(port_file_).empty()) ADD_FAILURE() << "the UPS server simulator did not stop within 5 s";
  if (!CanWaitForExit()) return;

  std::optional<int> exit_code = WaitForExit(*child_, kStopTimeout);
  if (!exit_code) {
    Kill(*child_);
    ADD_FAILURE() << "the UPS server simulator did not end; killed";
  } else if (*exit_code != 0) {
    ADD_FAILURE() << "the UPS server simulator ended with exit code " << *exit_code;
  }
}

std::string SimulatorProcess::ReadLocal(const std::string& simulator_path) const {
  std::ifstream file(LocalPath(simulator_path), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<SimulatorLogEntry> SimulatorProcess::CommandLog() const {
  std::vector<SimulatorLogEntry> entries;
  std::string text = ReadLocal(log_file_);
  // A line still being written has no line end yet.
  text.erase(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::size_t source_end = line.find(' ', 25);
    auto time = ParseUtcTime(line.substr(0, 24));
    if (!time || line.size() < 25 || source_end == std::string::npos) {
      ADD_FAILURE() << "malformed simulator log line: " << line;
      continue;
    }
    SimulatorLogEntry entry;
    entry.time = *time;
    entry.source = line.substr(25, source_end - 25);
    std::size_t event_end = line.find(' ', source_end + 1);
    entry.event = line.substr(source_end + 1, event_end == std::string::npos ? std::string::npos
                                                                               : event_end - source_end - 1);
    if (event_end != std::string::npos) entry.text = line.substr(event_end + 1);
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<std::string> SimulatorProcess::Commands() const {
  std::vector<std::string> commands;
  for (const SimulatorLogEntry& entry : CommandLog()) {
    if (entry.event == "command") commands.push_back(entry.text);
  }
  return commands;
}

bool SimulatorProcess::WaitForEvent(const std::string& event, std::size_t count,
                                    std::chrono::milliseconds timeout) const {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    auto entries = CommandLog();
    auto found = std::count_if(entries.begin(), entries.end(), [&](const auto& entry) { return entry.event == event; });
    if (static_cast<std::size_t>(found) >= count) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollStep);
  }
}

}  // namespace vq::testing
