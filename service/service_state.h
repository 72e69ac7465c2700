#pragma once

#include <cstdint>

namespace vq {

// The states and controls of a Windows service, with the values the service
// control manager uses, so the portable control logic and the Win32 calls agree.
enum class ServiceState : std::uint32_t {
  kStopped = 1,
  kStartPending = 2,
  kStopPending = 3,
  kRunning = 4,
  kContinuePending = 5,
  kPausePending = 6,
  kPaused = 7,
};

enum class ServiceControl : std::uint32_t {
  kStop = 1,
  kPause = 2,
  kContinue = 3,
  kInterrogate = 4,
  kShutdown = 5,
};

// SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SHUTDOWN.
inline constexpr std::uint32_t kAcceptedControls = 7;
inline constexpr std::uint32_t kPendingWaitHintMs = 5000;

// One status as the service reports it and as a status query returns it.
struct ServiceStatus {
  ServiceState state = ServiceState::kStopped;
  std::uint32_t controls_accepted = 0;
  std::uint32_t checkpoint = 0;
  std::uint32_t wait_hint_ms = 0;
};

}  // namespace vq
