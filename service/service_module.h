#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/command_client.h"
#include "core/event_type.h"
#include "core/monitoring_loop.h"
#include "core/run_loop_timer.h"
#include "core/settings_store.h"
#include "service/service_controller.h"

namespace vq {

// What the module uses outside itself. The entry points wire the settings store,
// the log writer and the power actions of the platform; tests pass fakes.
class ServiceParts {
 public:
  using LogFunction = ServiceLogFunction;

  virtual ~ServiceParts() = default;
  // The load sets `timer` as it would set TimerCom (the "Interval" delay, then
  // switched on) and writes its own lines ("Loading Settings...", "(1007) ...")
  // through `log`.
  virtual ServiceSettings LoadSettings(PollTimer& timer, const LogFunction& log) = 0;
  // One line to the log file, and to the event log as the event type says.
  virtual void AppendLog(const std::string& message, EventType type, const std::string& program_path) = 0;
  // A dry run reports the action it leaves out through `log`.
  virtual void ShutdownComputer(std::uint32_t exit_flags, int shutdown_mode, const LogFunction& log) = 0;
  // An error that escaped a tick, for the system's log under the program's name.
  virtual void ReportUnhandledError(const std::string& message) = 0;
};

// The service module `VQ_VEruredo`: the monitoring loop without a window.
// Two threads use it. The control side runs ServiceStart and ServiceStop; the
// tick thread runs RunTicks, the only place where TimerCom, the connection and
// the settings that the ticks read are touched. A start loads into a value and
// a stand-in for TimerCom, and publishes both whole under a mutex; the tick
// thread takes them over between two ticks and does to TimerCom what the load
// did to the stand-in, so a tick sees either the old record or all of the new
// one. WriteLog holds a mutex of its own, so lines from the two threads never
// overlap.
class TVQ_VEruredo final : public ServiceLoopHost, public ServiceHandlers {
 public:
  TVQ_VEruredo(ServiceParts& parts,
               CommandClient::TransportFactory transport_factory,
               std::uint32_t exit_flags,
               ClientTimeouts timeouts = {});

  // Control side.
  void ServiceStart() override;
  void ServiceStop() override;

  // Tick thread: ticks until StopTicks, which any thread may call.
  void RunTicks();
  void StopTicks();

  // One step of RunTicks each, for tests that drive the tick thread by hand.
  void ApplyPublishedSettings();
  void TimerComTimer();
  const RunLoopTimer& Timer() const { return TimerCom; }
  CommandClient& Client() { return loop_.Client(); }

  // ServiceLoopHost, called by the loop on the tick thread; WriteLog from either.
  ConnectionParameters ConnectionSettings() override;
  void ShutdownComputer(std::uint32_t exit_flags) override;
  void WriteLog(const std::string& message, EventType type) override;

  // The program's general error handling, for an error that no handler logged.
  void ReportUnhandledError(const std::string& message) { parts_.ReportUnhandledError(message); }

 private:
  void ServiceCreate();

  ServiceParts& parts_;
  RunLoopTimer TimerCom;
  ServiceMonitoringLoop loop_;

  // Control side only.
  bool debug_ = false;

  // Between the control side and the tick thread.
  std::mutex handover_mutex_;
  std::condition_variable handover_changed_;
  struct LoadedStart;
  std::shared_ptr<const LoadedStart> published_;
  bool stop_ticks_ = false;

  // Tick thread only.
  ServiceSettings tick_settings_;

  std::mutex log_mutex_;
  std::string log_program_path_;  // guarded by log_mutex_
};

}  // namespace vq
