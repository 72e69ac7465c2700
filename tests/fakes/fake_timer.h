#pragma once

#include <string>
#include <vector>

#include "core/poll_timer.h"

namespace vq::testing {

// A timer that ticks only when the test says so, and remembers what was done to it.
class FakeTimer final : public PollTimer {
 public:
  explicit FakeTimer(bool enabled = false) : enabled_(enabled) {}

  void Start() override { enabled_ = true; }
  void Stop() override { enabled_ = false; }
  bool Enabled() const override { return enabled_; }
  void SetInterval(std::chrono::milliseconds interval) override { interval_ = interval; }
  std::chrono::milliseconds Interval() const override { return interval_; }

 private:
  bool enabled_;
  std::chrono::milliseconds interval_{2000};
};

}  // namespace vq::testing
