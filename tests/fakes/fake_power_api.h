#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/power_api.h"

namespace vq::testing {

// Answers the Win32 power calls from a script and writes each call, with its
// arguments, to `calls` in a readable form.
class FakePowerApi final : public PowerApi {
 public:
  // The script.
  bool nt_family = true;
  std::uint32_t major_version = 10;
  bool open_token_succeeds = true;
  bool lookup_succeeds = true;
  bool adjust_result = false;
  bool exit_result = true;
  std::set<std::string> loaded_modules;                  // lower case
  std::map<std::string, std::set<std::string>> exports;  // loadable modules (lower case) and their functions
  bool suspend_result = true;
  bool query_result = true;
  bool query_raises = false;

  std::vector<std::string> calls;

  bool IsWindowsNtFamily() override { return nt_family; }
  std::uint32_t MajorVersion() override { return major_version; }

  bool OpenProcessToken(std::uint32_t desired_access, Handle* token) override {
    calls.push_back("OpenProcessToken(" + Hex(desired_access) + ")");
    if (!open_token_succeeds) return false;
    *token = kToken;
    return true;
  }

  bool LookupPrivilegeValueA(const char* system_name, const std::string& name, Luid* luid) override {
    calls.push_back("LookupPrivilegeValueA(" + std::string(system_name ? system_name : "null") + ", " + name + ")");
    if (!lookup_succeeds) return false;
    *luid = {kShutdownLuid, 0};
    return true;
  }

  bool AdjustTokenPrivileges(Handle token,
                             bool disable_all_privileges,
                             const TokenPrivileges& new_state,
                             std::uint32_t buffer_length,
                             TokenPrivileges* previous_state,
                             std::uint32_t* return_length) override {
    calls.push_back("AdjustTokenPrivileges(" + TokenText(token) + ", " + BoolText(disable_all_privileges) + ", {" +
                    std::to_string(new_state.privilege_count) + ", " + std::to_string(new_state.luid.low_part) + ":" +
                    std::to_string(new_state.luid.high_part) + ", " + std::to_string(new_state.attributes) + "}, " +
                    std::to_string(buffer_length) + ", " + (previous_state ? "previous" : "null") + ", " +
                    (return_length ? std::to_string(*return_length) : "null") + ")");
    return adjust_result;
  }

  bool CloseHandle(Handle handle) override {
    calls.push_back("CloseHandle(" + TokenText(handle) + ")");
    return true;
  }

  bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
    calls.push_back("ExitWindowsEx(" + std::to_string(flags) + ", " + std::to_string(reason) + ")");
    return exit_result;
  }

  Module GetModuleHandleA(const std::string& name) override {
    calls.push_back("GetModuleHandleA(" + name + ")");
    return loaded_modules.count(Lower(name)) ? HandleOf(name) : nullptr;
  }

  Module LoadLibraryExA(const std::string& name, std::uint32_t flags) override {
    calls.push_back("LoadLibraryExA(" + name + ", " + Hex(flags) + ")");
    return exports.count(Lower(name)) ? HandleOf(name) : nullptr;
  }

  Proc GetProcAddress(Module module, const std::string& name) override {
    const std::string& module_name = modules_.at(Index(module));
    calls.push_back("GetProcAddress(" + module_name + ", " + name + ")");
    auto found = exports.find(Lower(module_name));
    if (found == exports.end() || !found->second.count(name)) return nullptr;
    procs_.push_back(name);
    return reinterpret_cast<Proc>(static_cast<std::uintptr_t>(procs_.size()));
  }

  bool FreeLibrary(Module module) override {
    calls.push_back("FreeLibrary(" + modules_.at(Index(module)) + ")");
    return true;
  }

  bool CallSetSuspendState(Proc set_suspend_state, bool hibernate, bool force, bool disable_wake_events) override {
    calls.push_back(ProcName(set_suspend_state) + "(" + BoolText(hibernate) + ", " + BoolText(force) + ", " +
                    BoolText(disable_wake_events) + ")");
    return suspend_result;
  }

  bool CallPowerQuery(Proc query) override {
    calls.push_back(ProcName(query) + "()");
    if (query_raises) throw std::runtime_error("query raised");
    return query_result;
  }

  static constexpr std::uint32_t kShutdownLuid = 19;

 private:
  inline static const Handle kToken = reinterpret_cast<Handle>(static_cast<std::uintptr_t>(0x70));

  static std::string Hex(std::uint32_t value) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    do {
      text.insert(text.begin(), kDigits[value % 16]);
      value /= 16;
    } while (value);
    return "0x" + text;
  }
  static std::string BoolText(bool value) { return value ? "TRUE" : "FALSE"; }
  static std::string TokenText(Handle handle) { return handle == kToken ? "token" : "other handle"; }
  static std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
  }

  // Module handles and function addresses are numbers that index what was handed out.
  Module HandleOf(const std::string& name) {
    modules_.push_back(name);
    return reinterpret_cast<Module>(static_cast<std::uintptr_t>(modules_.size()));
  }
  static std::size_t Index(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle) - 1; }
  std::string ProcName(Proc proc) const { return procs_.at(reinterpret_cast<std::uintptr_t>(proc) - 1); }

  std::vector<std::string> modules_;
  std::vector<std::string> procs_;
};

}  // namespace vq::testing
