#include <gtest/gtest.h>

#include "core/monitoring_loop.h"
#include "tests/fakes/fake_server.h"
#include "tests/fakes/fake_timer.h"
#include "tests/fakes/recording_hosts.h"

namespace vq {
namespace {

using std::chrono::milliseconds;
using Events = std::vector<std::string>;

class DesktopLoopTest : public ::testing::Test {
 protected:
  // Runs the loop's connection procedure and returns only the events it added.
  Events Connect() { return Run([&] { loop.ConnectToServer(); }); }
  Events Tick() { return Run([&] { loop.TimerComTimer(); }); }

  Events Run(const std::function<void()>& step) {
    host.events.clear();
    step();
    return host.events;
  }

  testing::FakeServer server;
  testing::RecordingDesktopHost host;
  testing::FakeTimer timer;
  MessageTexts texts;
  DesktopMonitoringLoop loop{host, timer, texts, server.Factory(), 12, testing::kFakeServerTimeouts};
};

TEST_F(DesktopLoopTest, ConnectLogsInAndStartsTheTimer) {
  EXPECT_EQ(Connect(), (Events{"status:Try connect to remote server UPS... ups.local", "status:Success connected",
                               "status:Try login on server UPS...", "status:Login OK\r\n"}));
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(server.commands, Events{"LOGIN secret"});
}

TEST_F(DesktopLoopTest, PollAsksVersionOnceThenDataAndTimeout) {
  server.replies["TIMEOUT"] = "200  42 \r\n";
  Connect();
  EXPECT_EQ(Tick(), (Events{"data:230 0 230 35 0 13.6 0 00001000", "countdown:42"}));
  Tick();
  EXPECT_EQ(server.commands, (Events{"LOGIN secret", "VERSION", "DATA", "TIMEOUT", "DATA", "TIMEOUT"}));
  EXPECT_EQ(loop.FirmwareVersion(), "1.0");
  EXPECT_EQ(loop.Countdown(), 42);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), milliseconds(2000));
}

TEST_F(DesktopLoopTest, UnreachableServerAlertsAndLeavesTheLoopStopped) {
  server.connect_error = "Connection refused";
  EXPECT_EQ(Connect(), (Events{"status:Try connect to remote server UPS... ups.local", "lost",
                               "alert:Connection refused", "status:Connection refused"}));
  EXPECT_FALSE(timer.Enabled());
}

TEST_F(DesktopLoopTest, SilentServerAfterConnectIsAnAlertToo) {
  server.greeting = "";
  EXPECT_EQ(Connect(), (Events{"status:Try connect to remote server UPS... ups.local", "lost",
                               "alert:Read timed out.", "status:Read timed out."}));
  EXPECT_FALSE(timer.Enabled());
}

TEST_F(DesktopLoopTest, EmptyPasswordSendsNoLoginAndLeavesTimerStopped) {
  host.parameters.password.clear();
  EXPECT_EQ(Connect(), (Events{"status:Try connect to remote server UPS... ups.local", "status:Success connected"}));
  EXPECT_TRUE(server.commands.empty());
  EXPECT_FALSE(timer.Enabled());
  // From a tick the timer is restarted anyway, so polls go out without a login.
  loop.Client().DiscardTransport();
  Tick();
  EXPECT_TRUE(timer.Enabled());
  Tick();
  EXPECT_EQ(server.commands, (Events{"VERSION", "DATA", "TIMEOUT"}));
}

TEST_F(DesktopLoopTest, RefusedLoginKeepsTheConnectionAndPollsGoOn) {
  server.replies["LOGIN"] = "530 bad password\r\n";
  server.replies["DATA"] = "530 Not logged in\r\n";
  EXPECT_EQ(Connect(), (Events{"status:Try connect to remote server UPS... ups.local", "status:Success connected",
                               "status:Try login on server UPS...", "lost", "alert:Error Login on Server",
                               "status:Error Login on Server"}));
  EXPECT_FALSE(timer.Enabled());
  EXPECT_TRUE(loop.Client().Connected());
  EXPECT_EQ(Tick(), (Events{"status:Not logged in\r\n", "countdown:0"}));
  EXPECT_TRUE(timer.Enabled());
}

TEST_F(DesktopLoopTest, MissingServerOrPortMeansNoAttempt) {
  for (auto parameters : {ConnectionParameters{"", 9706, "x"}, ConnectionParameters{"ups", 0, "x"}}) {
    host.parameters = parameters;
    EXPECT_EQ(Connect(), Events{});
    EXPECT_EQ(server.connections, 0);
  }
}

struct RefusalCase {
  const char* refused;
  Events events;
  const char* version;
};

TEST_F(DesktopLoopTest, RefusedRequestsBecomeStatusLinesAndThePollCompletes) {
  const RefusalCase cases[] = {
      {"VERSION", {"status:refused\r\n", "data:230 0 230 35 0 13.6 0 00001000", "countdown:0"}, "Unknown"},
      {"DATA", {"status:refused\r\n", "countdown:0"}, "1.0"},
      {"TIMEOUT", {"data:230 0 230 35 0 13.6 0 00001000", "status:refused\r\n"}, "1.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.refused);
    testing::FakeServer fresh;
    fresh.replies[c.refused] = "503 refused\r\n";
    testing::RecordingDesktopHost fresh_host;
    testing::FakeTimer fresh_timer;
    DesktopMonitoringLoop fresh_loop{fresh_host, fresh_timer, texts, fresh.Factory(), 12, testing::kFakeServerTimeouts};
    fresh_loop.ConnectToServer();
    fresh_host.events.clear();
    fresh_loop.TimerComTimer();
    EXPECT_EQ(fresh_host.events, c.events);
    EXPECT_EQ(fresh_loop.FirmwareVersion(), c.version);
    EXPECT_EQ(fresh_timer.Interval(), milliseconds(2000));
  }
}

TEST_F(DesktopLoopTest, RefusedVersionIsNotAskedAgainUntilCleared) {
  server.replies["VERSION"] = "500 no\r\n";
  Connect();
  Tick();
  Tick();
  EXPECT_EQ(std::count(server.commands.begin(), server.commands.end(), "VERSION"), 1);
  loop.ClearFirmwareVersion();
  Tick();
  EXPECT_EQ(std::count(server.commands.begin(), server.commands.end(), "VERSION"), 2);
}

TEST_F(DesktopLoopTest, EmptyAcceptedVersionIsAskedOnEveryPoll) {
  server.replies["VERSION"] = "200\r\n";
  Connect();
  Tick();
  Tick();
  EXPECT_EQ(std::count(server.commands.begin(), server.commands.end(), "VERSION"), 2);
}

TEST_F(DesktopLoopTest, CountdownValues) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"200  42  \r\n", 42}, {"200 0\r\n", 0},     {"200 -7\r\n", -7},  {"200 42a\r\n", -1},
      {"200\r\n", -1},       {"200 4.5\r\n", -1},  {"200 +3\r\n", 3},   {"200 99999999999\r\n", -1},
  };
  Connect();
  for (const auto& [wire, value] : cases) {
    SCOPED_TRACE(wire);
    server.replies["TIMEOUT"] = wire;
    Tick();
    EXPECT_EQ(loop.Countdown(), value);
  }
}

TEST_F(DesktopLoopTest, ShutdownInAnyCaseOrdersThePowerActionEachTime) {
  server.replies["TIMEOUT"] = "200 7\r\n";
  Connect();
  Tick();
  for (const char* wire : {"200 SHUTDOWN\r\n", "200 shutdown\r\n", "200  ShutDown \r\n"}) {
    server.replies["TIMEOUT"] = wire;
    Events events = Tick();
    EXPECT_EQ(events.back(), "countdown:7") << "the countdown keeps its last value";
    EXPECT_EQ(events[events.size() - 2], "shutdown:12");
  }
}

TEST_F(DesktopLoopTest, FailedPollLogsClosesAndRetriesAfterTenSeconds) {
  Connect();
  Tick();
  server.replies["DATA"] = "OK\r\n";
  EXPECT_EQ(Tick(), (Events{"log:(910): Reply Code is not valid: OK", "lost", "lost"}));
  EXPECT_EQ(timer.Interval(), milliseconds(10000));
  EXPECT_TRUE(timer.Enabled());
  EXPECT_FALSE(loop.Client().HasTransport());

  // The next tick reconnects and logs in; the poll after it comes 10 s later.
  server.replies["DATA"] = "200 1 2 3 4 5 6 7 00001000\r\n";
  Events reconnect = Tick();
  EXPECT_EQ(reconnect.back(), "status:Login OK\r\n");
  EXPECT_EQ(timer.Interval(), milliseconds(10000));
  EXPECT_EQ(server.connections, 2);
  EXPECT_EQ(Tick().front(), "data:1 2 3 4 5 6 7 00001000");
}

TEST_F(DesktopLoopTest, HungServerMidPollFailsThePoll) {
  Connect();
  server.HangConnection();
  EXPECT_EQ(Tick(), (Events{"log:(910): Read timed out.", "lost", "lost"}));
}

TEST_F(DesktopLoopTest, ServerClosingBetweenTicksReconnectsSilently) {
  Connect();
  Tick();
  server.CloseConnection();
  Events events = Tick();
  EXPECT_EQ(events.front(), "status:Try connect to remote server UPS... ups.local")
      << "no log line and no data-lost event for a connection the server closed";
  EXPECT_EQ(server.connections, 2);
}

TEST_F(DesktopLoopTest, ResetFoundByTheConnectedTestDropsDataWithoutLogging) {
  Connect();
  server.ResetConnection();
  EXPECT_EQ(Tick(), Events{"lost"});
  EXPECT_EQ(timer.Interval(), milliseconds(10000));
  EXPECT_TRUE(timer.Enabled());
  EXPECT_FALSE(loop.Client().HasTransport());
}

TEST_F(DesktopLoopTest, TickWithoutServerNameOnlyWaits) {
  host.parameters.server.clear();
  EXPECT_EQ(Tick(), Events{});
  EXPECT_EQ(timer.Interval(), milliseconds(10000));
  EXPECT_TRUE(timer.Enabled());
}

TEST_F(DesktopLoopTest, ReconnectingClosesTheOpenConnectionFirst) {
  Connect();
  Events events = Connect();
  EXPECT_EQ(events.front(), "lost") << "closing an open connection raises the disconnect event";
  EXPECT_TRUE(server.commands.size() == 2) << "nothing is sent on close";
}

TEST_F(DesktopLoopTest, BrokenLoginExchangeIsLoggedAs1097) {
  server.replies["LOGIN"] = std::string(17000, 'x') + "\r\n";
  Events events = Connect();
  EXPECT_EQ(events[events.size() - 2], "status:Max line length exceeded.");
  EXPECT_EQ(events.back(), "log:(1097): Max line length exceeded.");
}

}  // namespace
}  // namespace vq
