#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "core/command_client.h"
#include "core/event_type.h"
#include "core/message_texts.h"
#include "core/poll_timer.h"

namespace vq {

inline constexpr std::chrono::milliseconds kPollInterval{2000};
inline constexpr std::chrono::milliseconds kRetryInterval{10000};
inline constexpr char kVersionFallback[] = "Unknown";

// Where and how to log in; read from the host at each connection attempt.
struct ConnectionParameters {
  std::string server;
  std::uint16_t port = 0;  // 0: none configured
  std::string password;
};

// What both hosts supply to their loop.
class LoopHost {
 public:
  virtual ~LoopHost() = default;
  virtual ConnectionParameters ConnectionSettings() = 0;
  // Performs the configured power action; its result is not examined.
  virtual void ShutdownComputer(std::uint32_t exit_flags) = 0;
};

// The desktop monitor's window: a log and five notifications that become the display.
class DesktopLoopHost : public LoopHost {
 public:
  virtual void WriteLog(const std::string& message) = 0;
  virtual void OnStatusLine(const std::string& text) = 0;
  virtual void OnAlert(const std::string& text) = 0;
  virtual void OnDataLost() = 0;
  virtual void OnUpsData(const std::string& record) = 0;
  virtual void OnCountdown(std::int32_t seconds) = 0;
};

// The service module: it reports nothing but log lines.
class ServiceLoopHost : public LoopHost {
 public:
  virtual void WriteLog(const std::string& message, EventType type) = 0;
};

// "SHUTDOWN" in any letter case orders the power action.
bool IsShutdownOrder(const std::string& trimmed_reply);

// The countdown value of a TIMEOUT reply: a signed decimal integer, or -1 for
// any other text.
std::int32_t ParseCountdown(const std::string& trimmed_reply);

// What the two variants share: the one connection `ClientCMD`, the timer
// `TimerCom` and the steps that open and drop a connection. Both run entirely on
// the host's thread; a tick stops the timer first and restarts it last, so ticks
// never overlap.
class MonitoringLoop {
 public:
  MonitoringLoop(PollTimer& timer, CommandClient::TransportFactory transport_factory, std::uint32_t exit_flags,
                 ClientTimeouts timeouts);
  virtual ~MonitoringLoop() = default;
  MonitoringLoop(const MonitoringLoop&) = delete;
  MonitoringLoop& operator=(const MonitoringLoop&) = delete;

  virtual void ConnectToServer() = 0;
  virtual void TimerComTimer() = 0;

  CommandClient& Client() { return ClientCMD; }

 protected:
  // Stops the timer and closes any connection, so the attempt starts clean.
  void ResetConnection();
  // Connects and, once connected, reads and ignores the greeting line.
  void OpenConnection(const ConnectionParameters& parameters);
  // After a failed poll: close (ignoring a failure of the close) and discard.
  void DropConnection();

  CommandClient ClientCMD;
  PollTimer& TimerCom;
  const std::uint32_t exit_flags_;

  // Restarts the timer when a tick ends, however it ends.
  class RestartTimerAtEnd {
   public:
    explicit RestartTimerAtEnd(PollTimer& timer) : timer_(timer) {}
    ~RestartTimerAtEnd() { timer_.Start(); }
    RestartTimerAtEnd(const RestartTimerAtEnd&) = delete;
    RestartTimerAtEnd& operator=(const RestartTimerAtEnd&) = delete;

   private:
    PollTimer& timer_;
  };
};

// The loop behind the desktop window: VERSION (until known), DATA and TIMEOUT on
// every poll, a countdown, status lines and alerts.
class DesktopMonitoringLoop : public MonitoringLoop {
 public:
  DesktopMonitoringLoop(DesktopLoopHost& host, PollTimer& timer, const MessageTexts& texts,
                        CommandClient::TransportFactory transport_factory, std::uint32_t exit_flags,
                        ClientTimeouts timeouts = {});

  void ConnectToServer() override;
  void TimerComTimer() override;

  const std::string& FirmwareVersion() const { return firmware_version_; }
  // Emptied at window creation and before each save, so VERSION is asked again.
  void ClearFirmwareVersion() { firmware_version_.clear(); }
  std::int32_t Countdown() const { return countdown_; }

 private:
  void ClientCMDDisconnected();
  void Poll();

  DesktopLoopHost& host_;
  const MessageTexts& texts_;
  std::string firmware_version_;
  std::int32_t countdown_ = 0;
};

// The loop inside the service: TIMEOUT only, and nothing but log lines.
class ServiceMonitoringLoop : public MonitoringLoop {
 public:
  ServiceMonitoringLoop(ServiceLoopHost& host, PollTimer& timer, CommandClient::TransportFactory transport_factory,
                        std::uint32_t exit_flags, ClientTimeouts timeouts = {});

  void ConnectToServer() override;
  // A failure of the connected test itself is not caught here: it reaches the
  // service's general error handling, after the timer has been restarted.
  void TimerComTimer() override;

 private:
  ServiceLoopHost& host_;
};

}  // namespace vq
