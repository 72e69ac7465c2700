#include <gtest/gtest.h>

#include "service/service_switches.h"

namespace vq {
namespace {

struct SwitchCase {
  std::vector<std::string> arguments;
  ServiceCommand command;
  bool silent;
};

class ServiceSwitchesTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(ServiceSwitchesTest, ReadsTheCommand) {
  ServiceSwitches switches = ParseServiceSwitches(GetParam().arguments);
  EXPECT_EQ(switches.Command(), GetParam().command);
  EXPECT_EQ(switches.silent, GetParam().silent);
}

INSTANTIATE_TEST_SUITE_P(Table,
                         ServiceSwitchesTest,
                         ::testing::Values(SwitchCase{{}, ServiceCommand::kRun, false},
                                           SwitchCase{{"/install"}, ServiceCommand::kInstall, false},
                                           SwitchCase{{"-INSTALL", "/Silent"}, ServiceCommand::kInstall, true},
                                           SwitchCase{{"/silent", "/install"}, ServiceCommand::kInstall, true},
                                           SwitchCase{{"-UnInstall", "-SILENT"}, ServiceCommand::kUninstall, true},
                                           SwitchCase{{"/uninstall", "/install"}, ServiceCommand::kInstall, false},
                                           SwitchCase{{"install"}, ServiceCommand::kRun, false},
                                           SwitchCase{{"//install"}, ServiceCommand::kRun, false},
                                           SwitchCase{{"/installs"}, ServiceCommand::kRun, false},
                                           SwitchCase{{"/install /silent"}, ServiceCommand::kRun, false},
                                           SwitchCase{{"extra", "/silent"}, ServiceCommand::kRun, true}));

}  // namespace
}  // namespace vq
