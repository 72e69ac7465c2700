// The real TCP client and both loop variants against the UPS server simulator on
// 127.0.0.1. Registered for both builds: under Wine this is Winsock against the
// Linux simulator.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/monitoring_loop.h"
#include "tests/fakes/fake_timer.h"
#include "tests/fakes/recording_hosts.h"
#include "tests/support/simulator_process.h"
#include "tests/support/wine.h"

namespace vq {
namespace {

using std::chrono::milliseconds;
using testing::SimulatorProcess;

// A desktop loop and its recording host, pointed at a running simulator.
struct DesktopRig {
  DesktopRig(std::uint16_t port, const std::string& password) { host.parameters = {"127.0.0.1", port, password}; }
  testing::RecordingDesktopHost host;
  testing::FakeTimer timer;
  MessageTexts texts;
  DesktopMonitoringLoop loop{host, timer, texts, CreateTcpTransport, 12, testing::kSimulatorTimeouts};
};

// A service loop and its recording host; `waits` defaults to the product's own.
struct ServiceRig {
  ServiceRig(std::uint16_t port, const std::string& password, ClientTimeouts waits = testing::kSimulatorTimeouts)
      : loop(host, timer, CreateTcpTransport, 12, waits) {
    host.parameters = {"127.0.0.1", port, password};
  }
  testing::RecordingServiceHost host;
  testing::FakeTimer timer{true};
  ServiceMonitoringLoop loop;
};

bool Contains(const std::vector<std::string>& events, const std::string& event) {
  return std::find(events.begin(), events.end(), event) != events.end();
}

TEST(DesktopLoopIntegrationTest, LogsInPollsAndFollowsTheCountdownToShutdown) {
  SimulatorProcess simulator({"--password", "pw", "--no-discovery"},
                             "0 mains\n0.5 countdown 30\n1.5 shutdown\n");
  DesktopRig rig(simulator.port(), "pw");
  auto& [host, timer, texts, loop] = rig;

  loop.ConnectToServer();
  ASSERT_TRUE(timer.Enabled()) << ::testing::PrintToString(host.events);
  loop.TimerComTimer();
  EXPECT_EQ(loop.FirmwareVersion(), "Vequor UPS Simulator 1.0");
  EXPECT_TRUE(Contains(host.events, "data:230.0 230.0 230.0 35 50.0 13.6 25.0 00001000"));
  std::this_thread::sleep_for(milliseconds(800));
  loop.TimerComTimer();
  EXPECT_GT(loop.Countdown(), 0);
  std::this_thread::sleep_for(milliseconds(1000));
  loop.TimerComTimer();
  EXPECT_TRUE(Contains(host.events, "shutdown:12"));
  EXPECT_EQ(simulator.Commands(), (std::vector<std::string>{"LOGIN pw", "VERSION", "DATA", "TIMEOUT", "DATA",
                                                            "TIMEOUT", "DATA", "TIMEOUT"}));
}

struct FaultCase {
  const char* fault;
  const char* logged;  // the poll's log line
};

TEST(DesktopLoopIntegrationTest, FaultsDuringAPollTakeTheFailurePath) {
  const FaultCase cases[] = {
      {"hang-mid-reply,on=DATA", "log:(910): Read timed out."},
      {"close-mid-reply,on=DATA", "log:(910): Connection Closed Gracefully."},
      {"invalid-code,on=DATA", "log:(910): Reply Code is not valid: OK"},
      {"long-line,on=DATA", "log:(910): Max line length exceeded."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    SimulatorProcess simulator({"--no-discovery", "--fault", c.fault});
    DesktopRig rig(simulator.port(), "pw");
    auto& [host, timer, texts, loop] = rig;
    loop.ConnectToServer();
    host.events.clear();
    loop.TimerComTimer();
    ASSERT_FALSE(host.events.empty());
    EXPECT_EQ(host.events.front(), c.logged);
    EXPECT_EQ(timer.Interval(), milliseconds(10000));
    EXPECT_FALSE(loop.Client().HasTransport());
  }
}

TEST(DesktopLoopIntegrationTest, ToleratesReplyShapesThatTheProtocolAllows) {
  // A continuation line ahead of the countdown makes the text no integer: -1.
  const std::pair<const char*, std::int32_t> cases[] = {{"multi-line", -1}, {"lf-only", 0}};
  for (const auto& [fault, countdown] : cases) {
    SCOPED_TRACE(fault);
    SimulatorProcess simulator({"--no-discovery", "--fault", fault});
    DesktopRig rig(simulator.port(), "pw");
    auto& [host, timer, texts, loop] = rig;
    loop.ConnectToServer();
    loop.TimerComTimer();
    EXPECT_EQ(timer.Interval(), milliseconds(2000)) << ::testing::PrintToString(host.events);
    EXPECT_EQ(loop.Countdown(), countdown);
    EXPECT_EQ(loop.FirmwareVersion().find("Vequor UPS Simulator 1.0") != std::string::npos, true);
  }
}

TEST(DesktopLoopIntegrationTest, UnreachableServerGivesTheSystemText) {
  std::uint16_t port;
  {
    SimulatorProcess simulator({"--no-discovery"});
    port = simulator.port();
  }
  DesktopRig rig(port, "pw");
  auto& [host, timer, texts, loop] = rig;
  loop.ConnectToServer();
  ASSERT_EQ(host.events.size(), 4u);
  EXPECT_EQ(host.events[1], "lost");
  EXPECT_EQ(host.events[2].rfind("alert:", 0), 0u);
  EXPECT_GT(host.events[2].size(), std::string("alert:").size()) << "the system's own text";
  EXPECT_FALSE(timer.Enabled());
}

// With the product's own waits: a server that accepts and then says nothing is
// given up within 10 s.
TEST(ServiceLoopIntegrationTest, HungServerIsGivenUpWithinTenSeconds) {
  SimulatorProcess simulator({"--no-discovery", "--fault", "hang-after-greeting"});
  ServiceRig rig(simulator.port(), "pw", ClientTimeouts{});
  auto& [host, timer, loop] = rig;
  auto started = std::chrono::steady_clock::now();
  loop.TimerComTimer();
  auto took = std::chrono::steady_clock::now() - started;
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_EQ(host.events, std::vector<std::string>{"log1:(645): Read timed out."});
  EXPECT_TRUE(timer.Enabled());
}

TEST(ServiceLoopIntegrationTest, PollsOnlyTimeoutAndLogsARefusedLogin) {
  SimulatorProcess simulator({"--no-discovery", "--password", "right"});
  ServiceRig rig(simulator.port(), "wrong");
  auto& [host, timer, loop] = rig;
  loop.TimerComTimer();
  loop.TimerComTimer();
  EXPECT_EQ(host.events, std::vector<std::string>{"log4:Login incorrect\r\n"});
  EXPECT_EQ(simulator.Commands(), (std::vector<std::string>{"LOGIN wrong", "TIMEOUT"}));
}

TEST(ServiceLoopIntegrationTest, ServerResetDuringAPollIsLoggedAndRetried) {
  SimulatorProcess simulator({"--no-discovery", "--fault", "reset,on=TIMEOUT,connections=1"});
  ServiceRig rig(simulator.port(), "pw");
  auto& [host, timer, loop] = rig;
  loop.TimerComTimer();  // connects and logs in
  loop.TimerComTimer();  // the server resets the connection
  ASSERT_EQ(host.events.size(), 1u);
  EXPECT_EQ(host.events[0].rfind("log1:(1167): ", 0), 0u);
  EXPECT_EQ(timer.Interval(), milliseconds(10000));
  loop.TimerComTimer();  // reconnects
  loop.TimerComTimer();
  EXPECT_EQ(host.events.size(), 1u);
  EXPECT_TRUE(simulator.WaitForEvent("connect", 2));
}

}  // namespace
}  // namespace vq
