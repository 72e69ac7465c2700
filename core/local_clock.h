#pragma once

#include <memory>

namespace vq {

// A moment of local (wall-clock) time, as the log's time stamp shows it.
struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
};

// The local time and the system's time separator, read afresh on every call so
// that a change of the clock or of the regional settings shows in the next line.
// Implementations: local_clock_win.cpp, local_clock_posix.cpp.
class LocalClock {
 public:
  virtual ~LocalClock() = default;
  virtual LocalTime Now() = 0;
  // The character between hours, minutes and seconds (a colon under the usual settings).
  virtual char TimeSeparator() = 0;
};

std::unique_ptr<LocalClock> CreateLocalClock();

}  // namespace vq
