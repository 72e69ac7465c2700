#include "core/power_actions.h"

#include <utility>

namespace vq {
namespace {

// Closes the process token once the privilege step is done; the enabled privilege
// stays with the process.
class ScopedToken {
 public:
  ScopedToken(PowerApi& api, PowerApi::Handle token) : api_(api), token_(token) {}
  ~ScopedToken() { api_.CloseHandle(token_); }
  ScopedToken(const ScopedToken&) = delete;
  ScopedToken& operator=(const ScopedToken&) = delete;

 private:
  PowerApi& api_;
  PowerApi::Handle token_;
};

// Releases a library that a capability check loaded, however the check ends.
class ScopedLibrary {
 public:
  ScopedLibrary(PowerApi& api, PowerApi::Module module) : api_(api), module_(module) {}
  ~ScopedLibrary() { api_.FreeLibrary(module_); }
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;

 private:
  PowerApi& api_;
  PowerApi::Module module_;
};

}  // namespace

PowerActions::PowerActions(std::unique_ptr<PowerApi> api) : api_(std::move(api)) {}

bool PowerActions::ShutdownComputer(std::uint32_t exit_flags, int mode) {
  if (api_->IsWindowsNtFamily()) EnableShutdownPrivilege();
  switch (mode) {
    case kPowerOffMode:
      return api_->ExitWindowsEx(exit_flags, 0);
    case kSuspendMode:
      return SuspendSystem(false, false, false);
    case kHibernateMode:
      return SuspendSystem(true, false, false);
    default:
      return false;
  }
}

void PowerActions::EnableShutdownPrivilege() {
  PowerApi::Handle token = nullptr;
  if (!api_->OpenProcessToken(PowerApi::kTokenAdjustPrivileges | PowerApi::kTokenQuery, &token)) return;
  ScopedToken token_owner(*api_, token);
  PowerApi::TokenPrivileges privileges;
  bool found = api_->LookupPrivilegeValueA(nullptr, kShutdownPrivilegeName, &privileges.luid);
  privileges.privilege_count = 1;
  privileges.attributes = PowerApi::kSePrivilegeEnabled;
  if (!found) return;
  // Its result is not examined: the action is attempted in any case, and the
  // previous state is never restored.
  PowerApi::TokenPrivileges previous_state;
  std::uint32_t return_length = 0;
  api_->AdjustTokenPrivileges(token, false, privileges, PowerApi::kTokenPrivilegesSize, &previous_state,
                              &return_length);
}

bool PowerActions::SuspendSystem(bool hibernate, bool force, bool disable_wake_events) {
  if (!suspend_binding_) suspend_binding_ = LoadProc(kSuspendLibraryName, "SetSuspendState");
  if (!suspend_binding_) return false;
  return api_->CallSetSuspendState(suspend_binding_, hibernate, force, disable_wake_events);
}

PowerApi::Proc PowerActions::LoadProc(const std::string& module, const std::string& function) {
  PowerApi::Module handle = api_->GetModuleHandleA(module);
  if (!handle) handle = api_->LoadLibraryExA(module, PowerApi::kLoadLibrarySearchSystem32);
  if (!handle) return nullptr;
  return api_->GetProcAddress(handle, function);
}

bool PowerActions::SuspendAllowed() { return AskPowerLibrary("IsPwrSuspendAllowed"); }

bool PowerActions::HibernateAllowed() {
  if (!api_->IsWindowsNtFamily() || api_->MajorVersion() <= 4) return false;
  return AskPowerLibrary("IsPwrHibernateAllowed");
}

bool PowerActions::AskPowerLibrary(const std::string& query) {
  PowerApi::Module library = api_->LoadLibraryExA(kCapabilityLibraryName, PowerApi::kLoadLibrarySearchSystem32);
  if (!library) return false;
  ScopedLibrary library_owner(*api_, library);
  PowerApi::Proc proc = api_->GetProcAddress(library, query);
  return proc && api_->CallPowerQuery(proc);
}

}  // namespace vq
