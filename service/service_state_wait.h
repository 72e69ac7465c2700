#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "service/service_state.h"

namespace vq {

// Every wait of the install and uninstall hooks ends within this much sleeping.
inline constexpr std::chrono::milliseconds kServiceWaitBound{30000};
// Each step sleeps the service's wait hint, but at most this long, so a service
// that is running after a few milliseconds is not waited on for its whole hint.
inline constexpr std::chrono::milliseconds kServiceWaitLongestStep{250};
inline constexpr std::chrono::milliseconds kServiceWaitShortestStep{50};

enum class ServiceWaitOutcome {
  kReached,         // the awaited state
  kQueryFailed,     // a status query failed
  kCheckpointFell,  // the service's checkpoint went backwards
  kStopped,         // awaiting "running", the service stopped instead
  kTimedOut,        // the bound ran out
};

// Waits until a service reaches `target`, starting from the status `last` that
// was queried right after the start or stop request. `query` returns nothing
// when the query fails.
ServiceWaitOutcome WaitForServiceState(ServiceState target,
                                       ServiceStatus last,
                                       const std::function<std::optional<ServiceStatus>()>& query,
                                       const std::function<void(std::chrono::milliseconds)>& sleep,
                                       std::chrono::milliseconds bound = kServiceWaitBound);

}  // namespace vq
