#include "core/monitoring_loop.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace vq {

bool IsShutdownOrder(const std::string& trimmed_reply) {
  static constexpr std::string_view kShutdown = "SHUTDOWN";
  return trimmed_reply.size() == kShutdown.size() &&
         std::equal(trimmed_reply.begin(), trimmed_reply.end(), kShutdown.begin(), [](char a, char b) {
           return std::toupper(static_cast<unsigned char>(a)) == b;
         });
}

std::int32_t ParseCountdown(const std::string& trimmed_reply) {
  std::size_t i = 0;
  bool negative = false;
  if (i < trimmed_reply.size() && (trimmed_reply[i] == '-' || trimmed_reply[i] == '+')) {
    negative = trimmed_reply[i] == '-';
    ++i;
  }
  if (i == trimmed_reply.size()) return -1;
  std::int64_t value = 0;
  for (; i < trimmed_reply.size(); ++i) {
    char c = trimmed_reply[i];
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return -1;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) return -1;
  return static_cast<std::int32_t>(value);
}

MonitoringLoop::MonitoringLoop(PollTimer& timer, CommandClient::TransportFactory transport_factory,
                               std::uint32_t exit_flags, ClientTimeouts timeouts)
    : ClientCMD(std::move(transport_factory), timeouts), TimerCom(timer), exit_flags_(exit_flags) {}

void MonitoringLoop::ResetConnection() {
  TimerCom.Stop();
  ClientCMD.Close();
  ClientCMD.DiscardTransport();
}

void MonitoringLoop::OpenConnection(const ConnectionParameters& parameters) {
  ClientCMD.Connect(parameters.server, parameters.port);
  if (ClientCMD.Connected()) ClientCMD.ReadLine();
}

void MonitoringLoop::DropConnection() {
  try {
    ClientCMD.Close();
  } catch (...) {
    // The connection is being given up; a failing close changes nothing.
  }
  ClientCMD.DiscardTransport();
}

}  // namespace vq
