// The UPS server simulator: the peer of the integration tests, the demo, and of
// an administrator checking an installation. `ups_simulator --help` explains it.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "tools/simulator/event_log.h"
#include "tools/simulator/scenario.h"
#include "tools/simulator/simulator.h"
#include "tools/simulator/simulator_options.h"
#include "tools/simulator/stop_signal.h"
#include "tools/simulator/usage_error.h"

namespace vq::simulator {
namespace {

constexpr int kExitStopped = 0;
constexpr int kExitCannotRun = 1;
constexpr int kExitUsage = 2;

int Fail(int code, const std::string& message) {
  std::cerr << "ups_simulator: " << message << "\n";
  return code;
}

Scenario LoadScenario(const std::string& path) {
  if (path.empty()) return Scenario();
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read the scenario file " + path);
  std::ostringstream text;
  text << file.rdbuf();
  try {
    return Scenario::Parse(text.str());
  } catch (const ScenarioError& error) {
    throw ScenarioError("scenario " + path + ": " + error.what());
  }
}

// Written under another name and renamed, so a reader never sees half a number.
void WritePortFile(const std::string& path, std::uint16_t port) {
  std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << port << "\n";
    if (!file.flush()) throw std::runtime_error("cannot write the port file " + path);
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) throw std::runtime_error("cannot write the port file " + path + ": " + error.message());
}

void RemoveFile(const std::string& path) {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove(path, ignored);
}

bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

int RunSimulator(const std::vector<std::string>& arguments) {
  SimulatorOptions options;
  Scenario scenario;
  try {
    options = ParseOptions(arguments);
    if (options.help) {
      std::cout << HelpText();
      return kExitStopped;
    }
    scenario = LoadScenario(options.scenario_file);
  } catch (const UsageError& error) {
    return Fail(kExitUsage, std::string(error.what()) + " (see --help)");
  } catch (const ScenarioError& error) {
    return Fail(kExitUsage, error.what());
  } catch (const std::exception& error) {
    return Fail(kExitCannotRun, error.what());
  }

  try {
    EventLog log(options.log_file, !options.quiet);
    InstallStopSignalHandlers();
    auto simulator = std::make_unique<Simulator>(options, std::move(scenario), log);

    Endpoint command = simulator->CommandEndpoint();
    std::string started = "tcp=" + command.ToString();
    std::cout << "listening on " << command.ToString() << "\n";
    if (simulator->HasDiscovery()) {
      Endpoint discovery = simulator->DiscoveryEndpoint();
      started += " udp=" + discovery.ToString();
      std::cout << "discovery on " << discovery.ToString() << "\n";
      if (!options.discovery_port_file.empty()) WritePortFile(options.discovery_port_file, discovery.port);
    }
    std::cout.flush();
    log.Write("simulator", "start", started);
    // The command port file comes last: once it is there, everything is ready.
    if (!options.port_file.empty()) WritePortFile(options.port_file, command.port);

    auto started_at = std::chrono::steady_clock::now();
    std::string reason = simulator->Run([&]() -> std::string {
      if (StopSignalled()) return "signal";
      if (!options.stop_file.empty() && FileExists(options.stop_file)) return "stop file";
      if (options.max_seconds &&
          std::chrono::steady_clock::now() - started_at >= std::chrono::duration<double>(*options.max_seconds)) {
        return "max-seconds";
      }
      return {};
    });
    simulator.reset();
    log.Write("simulator", "stop", reason);
    // The port files vanish only once the sockets are closed: their absence tells
    // a waiting test that the simulator has finished.
    RemoveFile(options.discovery_port_file);
    RemoveFile(options.port_file);
    return kExitStopped;
  } catch (const std::exception& error) {
    RemoveFile(options.discovery_port_file);
    RemoveFile(options.port_file);
    return Fail(kExitCannotRun, error.what());
  }
}

}  // namespace
}  // namespace vq::simulator

int main(int argc, char** argv) {
  return vq::simulator::RunSimulator(std::vector<std::string>(argv + 1, argv + argc));
}
