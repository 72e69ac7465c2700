#include "service/service_module.h"

#include <exception>

namespace vq {

inline constexpr char kStartedText[] = "Service Vequor Clients Manager Started";
inline constexpr char kStoppedText[] = "Service Vequor Clients Manager Stopped";

namespace {

// Stands in for TimerCom during a load on the control side and remembers what
// the load did to it, for the tick thread to do again to the real timer.
class TimerRequests final : public PollTimer {
 public:
  void Start() override { enabled = true; }
  void Stop() override { enabled = false; }
  bool Enabled() const override { return enabled.value_or(true); }
  void SetInterval(std::chrono::milliseconds value) override { interval = value; }
  std::chrono::milliseconds Interval() const override { return interval.value_or(kPollInterval); }

  std::optional<bool> enabled;
  std::optional<std::chrono::milliseconds> interval;
};

// A port that does not fit TCP names no server at all, rather than another port.
std::uint16_t TcpPort(std::uint32_t port) { return port <= 65535 ? static_cast<std::uint16_t>(port) : 0; }

}  // namespace

struct TVQ_VEruredo::LoadedStart {
  ServiceSettings settings;
  std::optional<bool> enabled;
  std::optional<std::chrono::milliseconds> interval;
};

TVQ_VEruredo::TVQ_VEruredo(ServiceParts& parts,
                           CommandClient::TransportFactory transport_factory,
                           std::uint32_t exit_flags,
                           ClientTimeouts timeouts)
    : parts_(parts),
      TimerCom(true, kPollInterval),
      loop_(*this, TimerCom, std::move(transport_factory), exit_flags, timeouts) {
  ServiceCreate();
}

void TVQ_VEruredo::ServiceCreate() { debug_ = false; }

void TVQ_VEruredo::ServiceStart() {
  try {
    TimerRequests timer;
    ServiceSettings settings =
        parts_.LoadSettings(timer, [this](const std::string& message, EventType type) { WriteLog(message, type); });
    auto loaded = std::make_shared<const LoadedStart>(LoadedStart{std::move(settings), timer.enabled, timer.interval});
    debug_ = loaded->settings.debug;
    {
      std::lock_guard lock(log_mutex_);
      log_program_path_ = loaded->settings.program_path;
    }
    {
      std::lock_guard lock(handover_mutex_);
      published_ = loaded;
    }
    handover_changed_.notify_all();
    if (debug_) WriteLog(kStartedText, EventType::kInformation);
  } catch (const std::exception& error) {
    try {
      WriteLog(std::string("(490) ") + error.what(), EventType::kError);
    } catch (const std::exception& log_error) {
      parts_.ReportUnhandledError(log_error.what());
    }
  }
}

void TVQ_VEruredo::ServiceStop() {
  // The connection and the timer are left alone: the process ends soon after,
  // and the server is sent nothing.
  try {
    if (debug_) WriteLog(kStoppedText, EventType::kInformation);
  } catch (const std::exception& error) {
    parts_.ReportUnhandledError(error.what());
  }
}

void TVQ_VEruredo::ApplyPublishedSettings() {
  std::shared_ptr<const LoadedStart> loaded;
  {
    std::lock_guard lock(handover_mutex_);
    loaded = std::move(published_);
    published_.reset();
  }
  if (!loaded) return;
  tick_settings_ = loaded->settings;
  if (loaded->interval) TimerCom.SetInterval(*loaded->interval);
  if (loaded->enabled) *loaded->enabled ? TimerCom.Start() : TimerCom.Stop();
}

void TVQ_VEruredo::TimerComTimer() {
  try {
    loop_.TimerComTimer();
  } catch (const std::exception& error) {
    parts_.ReportUnhandledError(error.what());
  }
}

void TVQ_VEruredo::RunTicks() {
  std::unique_lock lock(handover_mutex_);
  while (!stop_ticks_) {
    if (published_) {
      lock.unlock();
      ApplyPublishedSettings();
      lock.lock();
      continue;
    }
    auto woken = [this] { return stop_ticks_ || published_ != nullptr; };
    if (!TimerCom.Enabled()) {
      handover_changed_.wait(lock, woken);
    } else if (!handover_changed_.wait_until(lock, TimerCom.Due(), woken)) {
      lock.unlock();
      TimerComTimer();
      lock.lock();
    }
  }
}

void TVQ_VEruredo::StopTicks() {
  {
    std::lock_guard lock(handover_mutex_);
    stop_ticks_ = true;
  }
  handover_changed_.notify_all();
}

ConnectionParameters TVQ_VEruredo::ConnectionSettings() {
  return ConnectionParameters{tick_settings_.server, TcpPort(tick_settings_.port), tick_settings_.password};
}

void TVQ_VEruredo::ShutdownComputer(std::uint32_t exit_flags) {
  parts_.ShutdownComputer(exit_flags, tick_settings_.shutdown_mode,
                          [this](const std::string& message, EventType type) { WriteLog(message, type); });
}

void TVQ_VEruredo::WriteLog(const std::string& message, EventType type) {
  std::lock_guard lock(log_mutex_);
  parts_.AppendLog(message, type, log_program_path_);
}

}  // namespace vq
