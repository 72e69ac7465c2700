#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/power_api.h"

namespace vq {

inline constexpr char kShutdownPrivilegeName[] = "SeShutdownPrivilege";
inline constexpr char kSuspendLibraryName[] = "POWRPROF.dll";
inline constexpr char kCapabilityLibraryName[] = "powrprof.dll";

// The Windows power actions, the same in both programs. Each program owns one, so
// the suspend binding it keeps lives as long as the process. Nothing here fails
// or logs: a refused step only makes the result false, and the next "SHUTDOWN"
// tries again.
class PowerActions final : public PowerControl {
 public:
  explicit PowerActions(std::unique_ptr<PowerApi> api);

  // Enables the shutdown privilege on the NT family, then: mode 0 ExitWindowsEx
  // with `exit_flags`, 1 suspend, 2 hibernate, any other mode nothing (false).
  bool ShutdownComputer(std::uint32_t exit_flags, int mode) override;

  // SetSuspendState through the suspend binding, which is made on first use and
  // kept once made; a failed binding is tried again on the next call.
  bool SuspendSystem(bool hibernate, bool force, bool disable_wake_events);

  // The function among the loaded modules, or else loaded from the system folder
  // only, so that a DLL planted beside the program never runs inside it.
  PowerApi::Proc LoadProc(const std::string& module, const std::string& function);

  // Load the power library afresh and always release it, also when the query raises.
  bool SuspendAllowed() override;
  // False unless the NT family is at version 5 (Windows 2000) or later.
  bool HibernateAllowed() override;

 private:
  void EnableShutdownPrivilege();
  bool AskPowerLibrary(const std::string& query);

  std::unique_ptr<PowerApi> api_;
  PowerApi::Proc suspend_binding_ = nullptr;
};

}  // namespace vq
