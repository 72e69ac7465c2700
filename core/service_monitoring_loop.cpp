#include <exception>

#include "core/monitoring_loop.h"

namespace vq {

ServiceMonitoringLoop::ServiceMonitoringLoop(ServiceLoopHost& host, PollTimer& timer,
                                             CommandClient::TransportFactory transport_factory,
                                             std::uint32_t exit_flags, ClientTimeouts timeouts)
    : MonitoringLoop(timer, std::move(transport_factory), exit_flags, timeouts), host_(host) {}

void ServiceMonitoringLoop::ConnectToServer() {
  try {
    ResetConnection();
    ConnectionParameters parameters = host_.ConnectionSettings();
    if (!parameters.server.empty() && parameters.port != 0) {
      try {
        OpenConnection(parameters);
      } catch (...) {
        // Unattended: an unreachable server is tried again at the next tick, unlogged.
      }
    }
    if (ClientCMD.Connected() && !parameters.password.empty()) {
      if (ClientCMD.SendCommand("LOGIN " + parameters.password) == "200") {
        TimerCom.Start();
      } else {
        host_.WriteLog(ClientCMD.ReplyText(), EventType::kInformation);
      }
    }
  } catch (const std::exception& error) {
    host_.WriteLog(std::string("(645): ") + error.what(), EventType::kError);
  }
}

void ServiceMonitoringLoop::TimerComTimer() {
  TimerCom.Stop();
  RestartTimerAtEnd restart(TimerCom);
  if (ClientCMD.Connected()) {
    try {
      if (ClientCMD.SendCommand("TIMEOUT") == "200" && IsShutdownOrder(ClientCMD.TrimmedReplyText())) {
        host_.ShutdownComputer(exit_flags_);
      }
      TimerCom.SetInterval(kPollInterval);
    } catch (const std::exception& error) {
      host_.WriteLog(std::string("(1167): ") + error.what(), EventType::kError);
      DropConnection();
      TimerCom.SetInterval(kRetryInterval);
    }
  } else {
    try {
      ConnectToServer();
    } catch (...) {
      // ConnectToServer logs what matters; the next tick tries again.
    }
    TimerCom.SetInterval(kPollInterval);
  }
}

}  // namespace vq
