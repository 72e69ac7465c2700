#include "service/service_state_wait.h"

#include <algorithm>

namespace vq {

ServiceWaitOutcome WaitForServiceState(ServiceState target,
                                       ServiceStatus last,
                                       const std::function<std::optional<ServiceStatus>()>& query,
                                       const std::function<void(std::chrono::milliseconds)>& sleep,
                                       std::chrono::milliseconds bound) {
  std::chrono::milliseconds slept{0};
  auto gave_up_starting = [&] { return target == ServiceState::kRunning && last.state == ServiceState::kStopped; };
  while (last.state != target) {
    if (gave_up_starting()) return ServiceWaitOutcome::kStopped;
    if (slept >= bound) return ServiceWaitOutcome::kTimedOut;
    std::uint32_t checkpoint = last.checkpoint;
    std::chrono::milliseconds step =
        std::clamp(std::chrono::milliseconds(last.wait_hint_ms), kServiceWaitShortestStep, kServiceWaitLongestStep);
    step = std::min(step, bound - slept);
    sleep(step);
    slept += step;
    std::optional<ServiceStatus> status = query();
    if (!status) return ServiceWaitOutcome::kQueryFailed;
    last = *status;
    if (last.state != target && !gave_up_starting() && last.checkpoint < checkpoint)
      return ServiceWaitOutcome::kCheckpointFell;
  }
  return ServiceWaitOutcome::kReached;
}

}  // namespace vq
