#include "core/power_api_posix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace vq {
namespace {

// Every test here runs as root: a search path without systemctl makes sure that
// even a broken dry-run gate could not take this machine down.
class SystemdPowerControlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setenv("PATH", "/nonexistent/vq-no-systemctl", 1); }

  PowerReport Recorder() {
    return [this](const std::string& line) { reports_.push_back(line); };
  }
  std::vector<std::string> reports_;
};

TEST_F(SystemdPowerControlTest, DryRunIsTheDefault) {
  EXPECT_EQ(SystemdPowerControl(Recorder()).Mode(), PowerMode::kDryRun);
  auto control = CreatePowerControl(Recorder());
  auto* systemd = dynamic_cast<SystemdPowerControl*>(control.get());
  ASSERT_NE(systemd, nullptr);
  EXPECT_EQ(systemd->Mode(), PowerMode::kDryRun);
}

TEST_F(SystemdPowerControlTest, DryRunReportsTheVerbOfEachMode) {
  struct Case {
    int mode;
    std::optional<std::string> report;
  };
  const Case kCases[] = {
      {0, "dry run: would run systemctl poweroff"},
      {1, "dry run: would run systemctl suspend"},
      {2, "dry run: would run systemctl hibernate"},
      {3, std::nullopt},
      {-1, std::nullopt},
  };
  SystemdPowerControl control(Recorder(), PowerMode::kDryRun);
  for (const Case& c : kCases) {
    for (std::uint32_t exit_flags : {12u, 5u}) {
      SCOPED_TRACE("mode " + std::to_string(c.mode) + ", exit flags " + std::to_string(exit_flags));
      reports_.clear();
      EXPECT_EQ(control.ShutdownComputer(exit_flags, c.mode), c.report.has_value());
      EXPECT_EQ(reports_, c.report ? std::vector<std::string>{*c.report} : std::vector<std::string>{});
    }
  }
}

TEST_F(SystemdPowerControlTest, CapabilitiesFollowTheKernelSleepStates) {
  struct Case {
    std::optional<std::string> power_state;  // none: the file is missing
    bool suspend;
    bool hibernate;
  };
  const Case kCases[] = {
      {"freeze mem disk\n", true, true}, {"freeze\n", true, false},        {"standby\n", true, false},
      {"disk\n", false, true},           {"memory disks\n", false, false}, {"", false, false},
      {std::nullopt, false, false},
  };
  const std::string path = ::testing::TempDir() + "vq_power_state";
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.power_state.value_or("(no file)"));
    std::remove(path.c_str());
    if (c.power_state) std::ofstream(path) << *c.power_state;
    SystemdPowerControl control(Recorder(), PowerMode::kDryRun, path);
    EXPECT_EQ(control.SuspendAllowed(), c.suspend);
    EXPECT_EQ(control.HibernateAllowed(), c.hibernate);
  }
  std::remove(path.c_str());
  EXPECT_TRUE(reports_.empty());
}

}  // namespace
}  // namespace vq
