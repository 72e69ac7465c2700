#pragma once

#include "core/local_clock.h"

namespace vq::testing {

// A clock that shows what the test set.
class FakeClock final : public LocalClock {
 public:
  LocalTime now{2024, 3, 5, 7, 8, 9};
  char time_separator = ':';

  LocalTime Now() override { return now; }
  char TimeSeparator() override { return time_separator; }
};

}  // namespace vq::testing
