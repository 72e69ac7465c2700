#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/simulator/endpoint.h"
#include "tools/simulator/fault_rules.h"

namespace vq::simulator {

inline constexpr std::uint16_t kDefaultCommandPort = 9706;
inline constexpr std::uint16_t kDefaultDiscoveryPort = 9705;
inline constexpr char kDefaultFirmware[] = "Vequor UPS Simulator 1.0";

// Everything the command line sets; HelpText() describes each option.
struct SimulatorOptions {
  bool help = false;
  Ipv4Address bind{127, 0, 0, 1};
  std::uint16_t port = kDefaultCommandPort;
  std::string port_file;
  bool discovery = true;
  std::uint16_t discovery_port = kDefaultDiscoveryPort;
  std::string discovery_port_file;
  std::optional<std::string> announce;
  std::optional<std::string> password;
  std::string firmware = kDefaultFirmware;
  std::string scenario_file;
  std::vector<FaultRule> faults;
  std::string log_file;
  bool quiet = false;
  std::string stop_file;
  std::optional<double> max_seconds;
};

// Takes "--name value" and "--name=value". Throws UsageError.
SimulatorOptions ParseOptions(const std::vector<std::string>& arguments);

std::string HelpText();

}  // namespace vq::simulator
