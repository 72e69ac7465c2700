#include <ctime>

#include "core/local_clock.h"

namespace vq {
namespace {

class PosixLocalClock final : public LocalClock {
 public:
  LocalTime Now() override {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
  }

  // POSIX locales carry no separate time separator.
  char TimeSeparator() override { return ':'; }
};

}  // namespace

std::unique_ptr<LocalClock> CreateLocalClock() { return std::make_unique<PosixLocalClock>(); }

}  // namespace vq
