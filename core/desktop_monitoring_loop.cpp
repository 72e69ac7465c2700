#include <exception>

#include "core/monitoring_loop.h"

namespace vq {

DesktopMonitoringLoop::DesktopMonitoringLoop(DesktopLoopHost& host, PollTimer& timer, const MessageTexts& texts,
                                             CommandClient::TransportFactory transport_factory,
                                             std::uint32_t exit_flags, ClientTimeouts timeouts)
    : MonitoringLoop(timer, std::move(transport_factory), exit_flags, timeouts), host_(host), texts_(texts) {
  ClientCMD.SetOnDisconnected([this] { ClientCMDDisconnected(); });
}

void DesktopMonitoringLoop::ClientCMDDisconnected() { host_.OnDataLost(); }

void DesktopMonitoringLoop::ConnectToServer() {
  try {
    ResetConnection();
    ConnectionParameters parameters = host_.ConnectionSettings();
    if (!parameters.server.empty() && parameters.port != 0) {
      host_.OnStatusLine(texts_.Text("C_Try_Connect") + " " + parameters.server);
      try {
        OpenConnection(parameters);
      } catch (const std::exception& error) {
        host_.OnDataLost();
        host_.OnAlert(error.what());
        host_.OnStatusLine(error.what());
        return;
      }
    }
    if (!ClientCMD.Connected()) return;
    host_.OnStatusLine(texts_.Text("C_Connected"));
    if (parameters.password.empty()) return;
    host_.OnStatusLine(texts_.Text("C_Try_Login"));
    if (ClientCMD.SendCommand("LOGIN " + parameters.password) == "200") {
      host_.OnStatusLine(ClientCMD.ReplyText());
      TimerCom.Start();
    } else {
      host_.OnDataLost();
      host_.OnAlert(texts_.Text("C_Error_Login"));
      host_.OnStatusLine(texts_.Text("C_Error_Login"));
    }
  } catch (const std::exception& error) {
    host_.OnStatusLine(error.what());
    host_.WriteLog(std::string("(1097): ") + error.what());
  }
}

void DesktopMonitoringLoop::Poll() {
  if (firmware_version_.empty()) {
    if (ClientCMD.SendCommand("VERSION") == "200") {
      firmware_version_ = ClientCMD.TrimmedReplyText();
    } else {
      host_.OnStatusLine(ClientCMD.ReplyText());
      firmware_version_ = kVersionFallback;
    }
  }

  if (ClientCMD.SendCommand("DATA") == "200") {
    host_.OnUpsData(ClientCMD.TrimmedReplyText());
  } else {
    host_.OnStatusLine(ClientCMD.ReplyText());
  }

  if (ClientCMD.SendCommand("TIMEOUT") == "200") {
    std::string reply = ClientCMD.TrimmedReplyText();
    if (IsShutdownOrder(reply)) {
      host_.ShutdownComputer(exit_flags_);
    } else {
      countdown_ = ParseCountdown(reply);
    }
    host_.OnCountdown(countdown_);
  } else {
    host_.OnStatusLine(ClientCMD.ReplyText());
  }

  TimerCom.SetInterval(kPollInterval);
}

void DesktopMonitoringLoop::TimerComTimer() {
  TimerCom.Stop();
  RestartTimerAtEnd restart(TimerCom);
  try {
    if (ClientCMD.HasTransport() && ClientCMD.Connected()) {
      try {
        Poll();
      } catch (const std::exception& error) {
        host_.WriteLog(std::string("(910): ") + error.what());
        DropConnection();
        TimerCom.SetInterval(kRetryInterval);
        host_.OnDataLost();
      }
    } else {
      TimerCom.SetInterval(kRetryInterval);
      if (!host_.ConnectionSettings().server.empty()) {
        try {
          ConnectToServer();
        } catch (...) {
          // ConnectToServer reports its own failures; nothing more to say here.
        }
      }
    }
  } catch (...) {
    // A failure of the connected test itself, such as a reset by the server.
    ClientCMD.DiscardTransport();
    TimerCom.SetInterval(kRetryInterval);
    host_.OnDataLost();
  }
}

}  // namespace vq
