#include <windows.h>

#include "core/power_api_win.h"

#include <utility>

#include "core/platform_info.h"
#include "core/power_actions.h"

namespace vq {
namespace {

static_assert(sizeof(TOKEN_PRIVILEGES) == PowerApi::kTokenPrivilegesSize);
static_assert(TOKEN_ADJUST_PRIVILEGES == PowerApi::kTokenAdjustPrivileges);
static_assert(TOKEN_QUERY == PowerApi::kTokenQuery);
static_assert(SE_PRIVILEGE_ENABLED == PowerApi::kSePrivilegeEnabled);
static_assert(LOAD_LIBRARY_SEARCH_SYSTEM32 == PowerApi::kLoadLibrarySearchSystem32);

using SetSuspendStateFunction = BOOLEAN(WINAPI*)(BOOLEAN, BOOLEAN, BOOLEAN);
using PowerQueryFunction = BOOLEAN(WINAPI*)();

const char* BoolText(bool value) { return value ? "TRUE" : "FALSE"; }

TOKEN_PRIVILEGES ToWin32(const PowerApi::TokenPrivileges& privileges) {
  TOKEN_PRIVILEGES result{};
  result.PrivilegeCount = privileges.privilege_count;
  result.Privileges[0].Luid.LowPart = privileges.luid.low_part;
  result.Privileges[0].Luid.HighPart = privileges.luid.high_part;
  result.Privileges[0].Attributes = privileges.attributes;
  return result;
}

PowerApi::TokenPrivileges FromWin32(const TOKEN_PRIVILEGES& privileges) {
  return {privileges.PrivilegeCount,
          {privileges.Privileges[0].Luid.LowPart, privileges.Privileges[0].Luid.HighPart},
          privileges.Privileges[0].Attributes};
}

class Win32PowerApi final : public PowerApi {
 public:
  Win32PowerApi(PowerReport report, PowerMode mode) : report_(std::move(report)), mode_(mode) {}

  bool IsWindowsNtFamily() override { return vq::IsWindowsNtFamily(); }
  std::uint32_t MajorVersion() override { return WindowsMajorVersion(); }

  bool OpenProcessToken(std::uint32_t desired_access, Handle* token) override {
    return ::OpenProcessToken(::GetCurrentProcess(), desired_access, token) != FALSE;
  }

  bool LookupPrivilegeValueA(const char* system_name, const std::string& name, Luid* luid) override {
    LUID value{};
    if (!::LookupPrivilegeValueA(system_name, name.c_str(), &value)) return false;
    *luid = {value.LowPart, value.HighPart};
    return true;
  }

  bool AdjustTokenPrivileges(Handle token,
                             bool disable_all_privileges,
                             const TokenPrivileges& new_state,
                             std::uint32_t buffer_length,
                             TokenPrivileges* previous_state,
                             std::uint32_t* return_length) override {
    TOKEN_PRIVILEGES state = ToWin32(new_state);
    TOKEN_PRIVILEGES previous{};
    DWORD length = *return_length;
    BOOL result = ::AdjustTokenPrivileges(token, disable_all_privileges, &state, buffer_length, &previous, &length);
    *previous_state = FromWin32(previous);
    *return_length = length;
    return result != FALSE;
  }

  bool CloseHandle(Handle handle) override {
    // Keeps the error of the call before it for whoever reads GetLastError next.
    DWORD error = ::GetLastError();
    BOOL result = ::CloseHandle(handle);
    ::SetLastError(error);
    return result != FALSE;
  }

  bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
    if (mode_ != PowerMode::kReal) {
      Report("dry run: would call ExitWindowsEx(" + std::to_string(flags) + ", " + std::to_string(reason) + ")");
      return true;
    }
    return ::ExitWindowsEx(flags, reason) != FALSE;
  }

  Module GetModuleHandleA(const std::string& name) override { return ::GetModuleHandleA(name.c_str()); }

  Module LoadLibraryExA(const std::string& name, std::uint32_t flags) override {
    return ::LoadLibraryExA(name.c_str(), nullptr, flags);
  }

  Proc GetProcAddress(Module module, const std::string& name) override {
    // void (*)() is the generic function pointer type: casting to and from it is sound.
    return reinterpret_cast<Proc>(::GetProcAddress(static_cast<HMODULE>(module), name.c_str()));
  }

  bool FreeLibrary(Module module) override { return ::FreeLibrary(static_cast<HMODULE>(module)) != FALSE; }

  bool CallSetSuspendState(Proc set_suspend_state, bool hibernate, bool force, bool disable_wake_events) override {
    if (mode_ != PowerMode::kReal) {
      Report(std::string("dry run: would call SetSuspendState(") + BoolText(hibernate) + ", " + BoolText(force) + ", " +
             BoolText(disable_wake_events) + ")");
      return true;
    }
    auto function = reinterpret_cast<SetSuspendStateFunction>(set_suspend_state);
    return function(hibernate ? TRUE : FALSE, force ? TRUE : FALSE, disable_wake_events ? TRUE : FALSE) != FALSE;
  }

  bool CallPowerQuery(Proc query) override { return reinterpret_cast<PowerQueryFunction>(query)() != FALSE; }

 private:
  void Report(const std::string& line) {
    if (report_) report_(line);
  }

  PowerReport report_;
  PowerMode mode_;
};

}  // namespace

std::unique_ptr<PowerApi> CreateWin32PowerApi(PowerReport report, PowerMode mode) {
  return std::make_unique<Win32PowerApi>(std::move(report), mode);
}

std::unique_ptr<PowerControl> CreatePowerControl(PowerReport report, PowerMode mode) {
  return std::make_unique<PowerActions>(CreateWin32PowerApi(std::move(report), mode));
}

}  // namespace vq
