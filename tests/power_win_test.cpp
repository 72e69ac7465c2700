#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/platform_info.h"
#include "core/power_actions.h"
#include "core/power_api_win.h"

namespace vq {
namespace {

// Only harmless calls are made for real: every PowerApi here is a dry run, so
// ExitWindowsEx and SetSuspendState are reported, never called.
PowerActions DryRunActions(std::vector<std::string>* reports = nullptr) {
  return PowerActions(CreateWin32PowerApi([reports](const std::string& line) {
    if (reports) reports->push_back(line);
  }));
}

TEST(PowerWinTest, LoadProcFindsExportedFunctions) {
  PowerActions actions = DryRunActions();
  EXPECT_NE(actions.LoadProc("kernel32.dll", "GetTickCount"), nullptr);
  EXPECT_NE(actions.LoadProc(kSuspendLibraryName, "SetSuspendState"), nullptr) << "loaded from the system folder";
  EXPECT_EQ(actions.LoadProc("kernel32.dll", "VqNoSuchFunction"), nullptr);
  EXPECT_EQ(actions.LoadProc("vq_no_such_module.dll", "GetTickCount"), nullptr);
}

TEST(PowerWinTest, LibraryPlantedBesideTheProgramIsNotLoaded) {
  const std::string kPlanted = "vq_planted.dll";
  PowerActions actions = DryRunActions();
  EXPECT_EQ(actions.LoadProc(kPlanted, "VqPlantedProbe"), nullptr);

  // The same name searched the old way finds the planted library in the program's
  // folder, so the check above is not vacuous.
  auto api = CreateWin32PowerApi(nullptr);
  PowerApi::Module planted = api->LoadLibraryExA(kPlanted, 0);
  ASSERT_NE(planted, nullptr) << "the test build puts " << kPlanted << " beside the test program";
  EXPECT_NE(api->GetProcAddress(planted, "VqPlantedProbe"), nullptr);
  EXPECT_TRUE(api->FreeLibrary(planted));
}

TEST(PowerWinTest, CapabilityChecksReturn) {
  PowerActions actions = DryRunActions();
  // Wine answers either way; what matters is that the calls are made and come back.
  const bool suspend = actions.SuspendAllowed();
  const bool hibernate = actions.HibernateAllowed();
  RecordProperty("suspend_allowed", suspend);
  RecordProperty("hibernate_allowed", hibernate);
}

TEST(PowerWinTest, DryRunReportsTheActOfEachMode) {
  struct Case {
    int mode;
    std::vector<std::string> reports;
  };
  const Case kCases[] = {
      {0, {"dry run: would call ExitWindowsEx(12, 0)"}},
      {1, {"dry run: would call SetSuspendState(FALSE, FALSE, FALSE)"}},
      {2, {"dry run: would call SetSuspendState(TRUE, FALSE, FALSE)"}},
      {3, {}},
  };
  std::vector<std::string> reports;
  PowerActions actions = DryRunActions(&reports);
  for (const Case& c : kCases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode));
    reports.clear();
    EXPECT_EQ(actions.ShutdownComputer(PlatformExitFlags(), c.mode), !c.reports.empty());
    EXPECT_EQ(reports, c.reports);
  }
}

TEST(PowerWinTest, FactoryDefaultsToTheDryRun) {
  std::vector<std::string> reports;
  auto control = CreatePowerControl([&](const std::string& line) { reports.push_back(line); });
  EXPECT_TRUE(control->ShutdownComputer(PlatformExitFlags(), kHibernateMode));
  EXPECT_EQ(reports, std::vector<std::string>{"dry run: would call SetSuspendState(TRUE, FALSE, FALSE)"});
}

}  // namespace
}  // namespace vq
