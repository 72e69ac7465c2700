#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vq {

// Shutdown modes as the settings store keeps them; any other value selects no action.
inline constexpr int kPowerOffMode = 0;
inline constexpr int kSuspendMode = 1;
inline constexpr int kHibernateMode = 2;

// What the programs ask of the power actions, on either platform.
class PowerControl {
 public:
  virtual ~PowerControl() = default;
  // Takes the computer down in `mode`; true when the system accepted the request.
  virtual bool ShutdownComputer(std::uint32_t exit_flags, int mode) = 0;
  // Whether the computer can suspend or hibernate, asked afresh on every call.
  virtual bool SuspendAllowed() = 0;
  virtual bool HibernateAllowed() = 0;
};

// A dry run does everything except the act itself, which it only reports.
enum class PowerMode { kDryRun, kReal };

// Receives one line per act that a dry run leaves out.
using PowerReport = std::function<void(const std::string& line)>;

// The power actions of this platform. The computer is really taken down only when
// the caller asks for PowerMode::kReal by name, so no test or demo can do it by accident.
std::unique_ptr<PowerControl> CreatePowerControl(PowerReport report, PowerMode mode = PowerMode::kDryRun);

// The Win32 calls behind the power actions, one method per call with that call's
// arguments, so that a recording fake can check the exact sequence the logic makes.
class PowerApi {
 public:
  using Handle = void*;     // HANDLE of the process token
  using Module = void*;     // HMODULE
  using Proc = void (*)();  // FARPROC

  struct Luid {
    std::uint32_t low_part = 0;
    std::int32_t high_part = 0;
  };
  // TOKEN_PRIVILEGES with its one entry, laid out as the system lays it out.
  struct TokenPrivileges {
    std::uint32_t privilege_count = 0;
    Luid luid;
    std::uint32_t attributes = 0;
  };

  // The Win32 values the power actions pass; the Windows side checks them against <windows.h>.
  static constexpr std::uint32_t kTokenAdjustPrivileges = 0x20;
  static constexpr std::uint32_t kTokenQuery = 0x08;
  static constexpr std::uint32_t kSePrivilegeEnabled = 2;
  static constexpr std::uint32_t kTokenPrivilegesSize = 16;
  static constexpr std::uint32_t kLoadLibrarySearchSystem32 = 0x800;

  virtual ~PowerApi() = default;

  virtual bool IsWindowsNtFamily() = 0;
  virtual std::uint32_t MajorVersion() = 0;

  // Opens the token of the current process (GetCurrentProcess).
  virtual bool OpenProcessToken(std::uint32_t desired_access, Handle* token) = 0;
  virtual bool LookupPrivilegeValueA(const char* system_name, const std::string& name, Luid* luid) = 0;
  virtual bool AdjustTokenPrivileges(Handle token,
                                     bool disable_all_privileges,
                                     const TokenPrivileges& new_state,
                                     std::uint32_t buffer_length,
                                     TokenPrivileges* previous_state,
                                     std::uint32_t* return_length) = 0;
  virtual bool CloseHandle(Handle handle) = 0;

  virtual bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) = 0;

  virtual Module GetModuleHandleA(const std::string& name) = 0;
  virtual Module LoadLibraryExA(const std::string& name, std::uint32_t flags) = 0;
  virtual Proc GetProcAddress(Module module, const std::string& name) = 0;
  virtual bool FreeLibrary(Module module) = 0;

  // Call a function found by GetProcAddress: SetSuspendState, and the BOOLEAN
  // queries IsPwrSuspendAllowed and IsPwrHibernateAllowed.
  virtual bool CallSetSuspendState(Proc set_suspend_state, bool hibernate, bool force, bool disable_wake_events) = 0;
  virtual bool CallPowerQuery(Proc query) = 0;
};

}  // namespace vq
