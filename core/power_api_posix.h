#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/power_api.h"

namespace vq {

inline constexpr char kPowerStateFile[] = "/sys/power/state";

// The power actions on a systemd machine. The shutdown privilege step is NT-only
// and has no counterpart (systemd and polkit decide who may act); the exit flags
// are not used; the mode picks the verb of "systemctl": 0 poweroff, 1 suspend,
// 2 hibernate, any other mode nothing. The capabilities come from the sleep states
// that the kernel offers. Unless built with PowerMode::kReal it only reports
// "dry run: would run systemctl <verb>".
class SystemdPowerControl final : public PowerControl {
 public:
  explicit SystemdPowerControl(PowerReport report,
                               PowerMode mode = PowerMode::kDryRun,
                               std::string power_state_file = kPowerStateFile);

  bool ShutdownComputer(std::uint32_t exit_flags, int mode) override;
  // Suspend when the kernel offers any of "mem", "standby" or "freeze" (the
  // states systemd tries for a suspend); hibernate when it offers "disk".
  bool SuspendAllowed() override;
  bool HibernateAllowed() override;

  PowerMode Mode() const { return mode_; }

 private:
  bool PowerStateOffers(std::initializer_list<std::string_view> states) const;

  PowerReport report_;
  PowerMode mode_;
  std::string power_state_file_;
};

}  // namespace vq
