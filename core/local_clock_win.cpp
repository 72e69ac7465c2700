#include <windows.h>

#include "core/local_clock.h"

namespace vq {
namespace {

class WinLocalClock final : public LocalClock {
 public:
  LocalTime Now() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  }

  char TimeSeparator() override {
    char separator[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, sizeof(separator)) < 2) return ':';
    return separator[0];
  }
};

}  // namespace

std::unique_ptr<LocalClock> CreateLocalClock() { return std::make_unique<WinLocalClock>(); }

}  // namespace vq
