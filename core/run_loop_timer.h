#pragma once

#include <chrono>

#include "core/poll_timer.h"

namespace vq {

// A PollTimer for hosts without a window: the host's own loop on one thread asks
// when the next tick is due, sleeps until then and runs the tick itself.
class RunLoopTimer final : public PollTimer {
 public:
  using Clock = std::chrono::steady_clock;

  RunLoopTimer(bool enabled, std::chrono::milliseconds interval) : interval_(interval) {
    if (enabled) Start();
  }

  void Start() override {
    if (!enabled_) due_ = Clock::now() + interval_;
    enabled_ = true;
  }
  void Stop() override { enabled_ = false; }
  bool Enabled() const override { return enabled_; }
  void SetInterval(std::chrono::milliseconds interval) override {
    interval_ = interval;
    due_ = Clock::now() + interval_;
  }
  std::chrono::milliseconds Interval() const override { return interval_; }

  // When the next tick is due; meaningful only while enabled.
  Clock::time_point Due() const { return due_; }

 private:
  bool enabled_ = false;
  std::chrono::milliseconds interval_;
  Clock::time_point due_{};
};

}  // namespace vq
