#include "core/power_actions.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/fakes/fake_power_api.h"

namespace vq {
namespace {

using testing::FakePowerApi;
using Calls = std::vector<std::string>;
using Script = std::function<void(FakePowerApi&)>;

const Calls kPrivilegeStep = {
    "OpenProcessToken(0x28)",
    "LookupPrivilegeValueA(null, SeShutdownPrivilege)",
    "AdjustTokenPrivileges(token, FALSE, {1, 19:0, 2}, 16, previous, 0)",
    "CloseHandle(token)",
};
const Calls kSuspendBinding = {
    "GetModuleHandleA(POWRPROF.dll)",
    "LoadLibraryExA(POWRPROF.dll, 0x800)",
    "GetProcAddress(POWRPROF.dll, SetSuspendState)",
};

Calls Join(std::initializer_list<Calls> parts) {
  Calls all;
  for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

void WithPowerLibrary(FakePowerApi& api) {
  api.exports["powrprof.dll"] = {"SetSuspendState", "IsPwrSuspendAllowed", "IsPwrHibernateAllowed"};
}

// The API is scripted before the actions take it over; the test keeps a view of it.
class PowerActionsTest : public ::testing::Test {
 protected:
  PowerActions& Actions(const Script& script) {
    auto api = std::make_unique<FakePowerApi>();
    script(*api);
    api_ = api.get();
    actions_ = std::make_unique<PowerActions>(std::move(api));
    return *actions_;
  }
  FakePowerApi& Api() { return *api_; }

 private:
  FakePowerApi* api_ = nullptr;
  std::unique_ptr<PowerActions> actions_;
};

struct ShutdownCase {
  const char* name;
  Script script;
  std::uint32_t exit_flags;
  int mode;
  Calls calls;
  bool result;
};

TEST_F(PowerActionsTest, ShutdownComputerMakesExactlyTheseCalls) {
  const ShutdownCase kCases[] = {
      {"power off on NT", WithPowerLibrary, 12, 0, Join({kPrivilegeStep, {"ExitWindowsEx(12, 0)"}}), true},
      {"power off elsewhere skips the privilege step",
       [](FakePowerApi& api) { api.nt_family = false; },
       5,
       0,
       {"ExitWindowsEx(5, 0)"},
       true},
      {"power off refused", [](FakePowerApi& api) { api.exit_result = false; }, 12, 0,
       Join({kPrivilegeStep, {"ExitWindowsEx(12, 0)"}}), false},
      {"token not opened: no look-up, nothing to close, still acts",
       [](FakePowerApi& api) { api.open_token_succeeds = false; },
       12,
       0,
       {"OpenProcessToken(0x28)", "ExitWindowsEx(12, 0)"},
       true},
      {"privilege not found: no adjustment, token closed, still acts",
       [](FakePowerApi& api) { api.lookup_succeeds = false; },
       12,
       0,
       {"OpenProcessToken(0x28)", "LookupPrivilegeValueA(null, SeShutdownPrivilege)", "CloseHandle(token)",
        "ExitWindowsEx(12, 0)"},
       true},
      {"adjustment result not examined", [](FakePowerApi& api) { api.adjust_result = false; }, 12, 0,
       Join({kPrivilegeStep, {"ExitWindowsEx(12, 0)"}}), true},
      {"suspend", WithPowerLibrary, 12, 1,
       Join({kPrivilegeStep, kSuspendBinding, {"SetSuspendState(FALSE, FALSE, FALSE)"}}), true},
      {"hibernate", WithPowerLibrary, 12, 2,
       Join({kPrivilegeStep, kSuspendBinding, {"SetSuspendState(TRUE, FALSE, FALSE)"}}), true},
      {"suspend refused",
       [](FakePowerApi& api) {
         WithPowerLibrary(api);
         api.suspend_result = false;
       },
       12, 1, Join({kPrivilegeStep, kSuspendBinding, {"SetSuspendState(FALSE, FALSE, FALSE)"}}), false},
      {"power library missing", [](FakePowerApi&) {}, 12, 1,
       Join({kPrivilegeStep, {"GetModuleHandleA(POWRPROF.dll)", "LoadLibraryExA(POWRPROF.dll, 0x800)"}}), false},
      {"SetSuspendState missing", [](FakePowerApi& api) { api.exports["powrprof.dll"] = {"IsPwrSuspendAllowed"}; }, 12,
       2, Join({kPrivilegeStep, kSuspendBinding}), false},
      {"power library already loaded is not loaded again",
       [](FakePowerApi& api) {
         WithPowerLibrary(api);
         api.loaded_modules = {"powrprof.dll"};
       },
       12, 1,
       Join({kPrivilegeStep,
             {"GetModuleHandleA(POWRPROF.dll)", "GetProcAddress(POWRPROF.dll, SetSuspendState)",
              "SetSuspendState(FALSE, FALSE, FALSE)"}}),
       true},
      {"mode 3 does nothing", WithPowerLibrary, 12, 3, kPrivilegeStep, false},
      {"mode -1 does nothing", WithPowerLibrary, 12, -1, kPrivilegeStep, false},
  };
  for (const ShutdownCase& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Actions(c.script).ShutdownComputer(c.exit_flags, c.mode), c.result);
    EXPECT_EQ(Api().calls, c.calls);
  }
}

TEST_F(PowerActionsTest, SuspendBindingIsKeptAfterTheFirstSuccess) {
  PowerActions& actions = Actions([](FakePowerApi& api) {
    api.nt_family = false;
    WithPowerLibrary(api);
  });
  EXPECT_TRUE(actions.ShutdownComputer(5, 1));
  Api().calls.clear();
  Api().exports.clear();  // the library could no longer be loaded: the kept binding does not need it
  EXPECT_TRUE(actions.ShutdownComputer(5, 2));
  EXPECT_TRUE(actions.SuspendSystem(false, true, true));
  EXPECT_EQ(Api().calls, (Calls{"SetSuspendState(TRUE, FALSE, FALSE)", "SetSuspendState(FALSE, TRUE, TRUE)"}));
}

TEST_F(PowerActionsTest, FailedSuspendBindingIsTriedAgain) {
  PowerActions& actions = Actions([](FakePowerApi& api) { api.nt_family = false; });
  EXPECT_FALSE(actions.ShutdownComputer(5, 1));
  EXPECT_FALSE(actions.ShutdownComputer(5, 1));
  WithPowerLibrary(Api());
  EXPECT_TRUE(actions.ShutdownComputer(5, 1));
  const Calls kFailedBinding = {"GetModuleHandleA(POWRPROF.dll)", "LoadLibraryExA(POWRPROF.dll, 0x800)"};
  EXPECT_EQ(Api().calls,
            Join({kFailedBinding, kFailedBinding, kSuspendBinding, {"SetSuspendState(FALSE, FALSE, FALSE)"}}));
}

TEST_F(PowerActionsTest, LoadProcSearchesLoadedModulesThenTheSystemFolderOnly) {
  PowerActions& actions = Actions([](FakePowerApi& api) {
    api.loaded_modules = {"kernel32.dll"};
    api.exports["kernel32.dll"] = {"GetTickCount"};
  });
  EXPECT_NE(actions.LoadProc("kernel32.dll", "GetTickCount"), nullptr);
  EXPECT_EQ(actions.LoadProc("kernel32.dll", "NoSuchFunction"), nullptr);
  EXPECT_EQ(actions.LoadProc("planted.dll", "Anything"), nullptr);
  EXPECT_EQ(Api().calls, (Calls{"GetModuleHandleA(kernel32.dll)", "GetProcAddress(kernel32.dll, GetTickCount)",
                                "GetModuleHandleA(kernel32.dll)", "GetProcAddress(kernel32.dll, NoSuchFunction)",
                                "GetModuleHandleA(planted.dll)", "LoadLibraryExA(planted.dll, 0x800)"}));
}

struct CapabilityCase {
  const char* name;
  Script script;
  bool hibernate;  // which check
  Calls calls;
  bool result;
};

TEST_F(PowerActionsTest, CapabilityChecksLoadAfreshAndAlwaysRelease) {
  const Calls kSuspendQuery = {"LoadLibraryExA(powrprof.dll, 0x800)",
                               "GetProcAddress(powrprof.dll, IsPwrSuspendAllowed)", "IsPwrSuspendAllowed()",
                               "FreeLibrary(powrprof.dll)"};
  const Calls kHibernateQuery = {"LoadLibraryExA(powrprof.dll, 0x800)",
                                 "GetProcAddress(powrprof.dll, IsPwrHibernateAllowed)", "IsPwrHibernateAllowed()",
                                 "FreeLibrary(powrprof.dll)"};
  // The library counts as loaded already: the checks load it all the same.
  auto loaded = [](FakePowerApi& api) {
    WithPowerLibrary(api);
    api.loaded_modules = {"powrprof.dll"};
  };
  const CapabilityCase kCases[] = {
      {"suspend allowed", loaded, false, kSuspendQuery, true},
      {"suspend not allowed",
       [&](FakePowerApi& api) {
         loaded(api);
         api.query_result = false;
       },
       false, kSuspendQuery, false},
      {"suspend asks without an operating-system test",
       [&](FakePowerApi& api) {
         loaded(api);
         api.nt_family = false;
         api.major_version = 4;
       },
       false, kSuspendQuery, true},
      {"suspend without the library", [](FakePowerApi&) {}, false, {"LoadLibraryExA(powrprof.dll, 0x800)"}, false},
      {"suspend without the function",
       [](FakePowerApi& api) { api.exports["powrprof.dll"] = {}; },
       false,
       {"LoadLibraryExA(powrprof.dll, 0x800)", "GetProcAddress(powrprof.dll, IsPwrSuspendAllowed)",
        "FreeLibrary(powrprof.dll)"},
       false},
      {"hibernate on NT 5",
       [&](FakePowerApi& api) {
         loaded(api);
         api.major_version = 5;
       },
       true, kHibernateQuery, true},
      {"hibernate on NT 4",
       [&](FakePowerApi& api) {
         loaded(api);
         api.major_version = 4;
       },
       true,
       {},
       false},
      {"hibernate outside the NT family",
       [&](FakePowerApi& api) {
         loaded(api);
         api.nt_family = false;
       },
       true,
       {},
       false},
  };
  for (const CapabilityCase& c : kCases) {
    SCOPED_TRACE(c.name);
    PowerActions& actions = Actions(c.script);
    EXPECT_EQ(c.hibernate ? actions.HibernateAllowed() : actions.SuspendAllowed(), c.result);
    EXPECT_EQ(Api().calls, c.calls);
  }
}

TEST_F(PowerActionsTest, CapabilityCheckReleasesTheLibraryWhenTheQueryRaises) {
  PowerActions& actions = Actions([](FakePowerApi& api) {
    WithPowerLibrary(api);
    api.query_raises = true;
  });
  EXPECT_THROW(actions.HibernateAllowed(), std::runtime_error);
  EXPECT_EQ(Api().calls.back(), "FreeLibrary(powrprof.dll)");
}

}  // namespace
}  // namespace vq
