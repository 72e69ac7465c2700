#pragma once

#include <chrono>

namespace vq {

// The polling timer `TimerCom` as the monitoring loop sees it. The host owns the
// real timer (a window timer, a waitable timer, a thread) and calls the loop's
// TimerComTimer on each tick, always on the loop's own thread.
class PollTimer {
 public:
  virtual ~PollTimer() = default;
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual bool Enabled() const = 0;
  // Restarts the count when the timer is running, so the next tick comes one
  // whole interval later.
  virtual void SetInterval(std::chrono::milliseconds interval) = 0;
  virtual std::chrono::milliseconds Interval() const = 0;
};

}  // namespace vq
