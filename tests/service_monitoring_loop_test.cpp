#include <gtest/gtest.h>

#include "core/monitoring_loop.h"
#include "tests/fakes/fake_server.h"
#include "tests/fakes/fake_timer.h"
#include "tests/fakes/recording_hosts.h"

namespace vq {
namespace {

using std::chrono::milliseconds;
using Events = std::vector<std::string>;

class ServiceLoopTest : public ::testing::Test {
 protected:
  Events Tick() {
    host.events.clear();
    loop.TimerComTimer();
    return host.events;
  }

  testing::FakeServer server;
  testing::RecordingServiceHost host;
  testing::FakeTimer timer{true};
  ServiceMonitoringLoop loop{host, timer, server.Factory(), 12, testing::kFakeServerTimeouts};
};

TEST_F(ServiceLoopTest, ConnectsInATickAndThenPollsOnlyTimeout) {
  EXPECT_EQ(Tick(), Events{});
  EXPECT_EQ(timer.Interval(), milliseconds(2000));
  EXPECT_TRUE(timer.Enabled());
  Tick();
  Tick();
  EXPECT_EQ(server.commands, (Events{"LOGIN secret", "TIMEOUT", "TIMEOUT"}));
}

TEST_F(ServiceLoopTest, ShutdownInAnyCaseCallsThePowerActionOnEveryReply) {
  Tick();
  server.replies["TIMEOUT"] = "200 shutDOWN\r\n";
  EXPECT_EQ(Tick(), Events{"shutdown:12"});
  EXPECT_EQ(Tick(), Events{"shutdown:12"});
  server.replies["TIMEOUT"] = "500 SHUTDOWN\r\n";
  EXPECT_EQ(Tick(), Events{}) << "a refused reply is ignored";
  EXPECT_EQ(timer.Interval(), milliseconds(2000));
}

TEST_F(ServiceLoopTest, NothingConfiguredMeansNothingHappens) {
  host.parameters = {};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Tick(), Events{});
  EXPECT_EQ(server.connections, 0);
  EXPECT_EQ(timer.Interval(), milliseconds(2000));
}

TEST_F(ServiceLoopTest, UnreachableServerIsRetriedEveryTwoSecondsWithoutLogging) {
  server.connect_error = "Connection refused";
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Tick(), Events{});
  EXPECT_EQ(timer.Interval(), milliseconds(2000));
  EXPECT_TRUE(timer.Enabled());
}

TEST_F(ServiceLoopTest, RefusedLoginIsLoggedAsInformationAndConnectionKept) {
  server.replies["LOGIN"] = "530 Wrong password\r\n";
  EXPECT_EQ(Tick(), Events{"log4:Wrong password\r\n"});
  Tick();
  EXPECT_EQ(server.commands, (Events{"LOGIN secret", "TIMEOUT"}));
}

TEST_F(ServiceLoopTest, FailedPollIsLoggedAndRetriedAfterTenSeconds) {
  Tick();
  server.HangConnection();
  EXPECT_EQ(Tick(), Events{"log1:(1167): Read timed out."});
  EXPECT_EQ(timer.Interval(), milliseconds(10000));
  EXPECT_FALSE(loop.Client().HasTransport());
  Tick();  // reconnects, then polls 2 s later
  EXPECT_EQ(server.connections, 2);
  EXPECT_EQ(timer.Interval(), milliseconds(2000));
}

TEST_F(ServiceLoopTest, BrokenLoginIsLoggedAs645) {
  server.replies["LOGIN"] = "abc\r\n";
  EXPECT_EQ(Tick(), Events{"log1:(645): Reply Code is not valid: abc"});
}

TEST_F(ServiceLoopTest, ResetFoundByTheConnectedTestEscapesAfterRestartingTheTimer) {
  Tick();
  server.ResetConnection();
  EXPECT_THROW(loop.TimerComTimer(), SocketError);
  EXPECT_TRUE(timer.Enabled());
}

TEST_F(ServiceLoopTest, EmptyPasswordPollsWithoutLogin) {
  host.parameters.password.clear();
  Tick();
  Tick();
  EXPECT_EQ(server.commands, Events{"TIMEOUT"});
}

}  // namespace
}  // namespace vq
