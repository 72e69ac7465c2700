#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "service/service_module.h"
#include "tests/fakes/fake_server.h"
#include "tests/fakes/recording_service_parts.h"

namespace vq {
namespace {

using std::chrono::milliseconds;
using Events = std::vector<std::string>;

ServiceSettings Configured(bool debug) {
  return ServiceSettings{debug, "C:\\Vequor\\", "ups.local", 9706, "secret", 2, std::nullopt};
}

// A load as the settings store performs it: "Loading Settings..." first when the
// stored "Debug" is on, the first tick's delay, and the timer switched on at the
// end; a load that fails part-way (no `first_tick`) ends before both.
auto LoadOf(ServiceSettings settings, std::optional<milliseconds> first_tick = milliseconds(1000)) {
  return [=](PollTimer& timer, const ServiceParts::LogFunction& log) {
    if (settings.debug) log("Loading Settings...", EventType::kInformation);
    if (first_tick) {
      timer.SetInterval(*first_tick);
      timer.Start();
    }
    return settings;
  };
}

class ServiceModuleTest : public ::testing::Test {
 protected:
  testing::FakeServer server;
  testing::RecordingServiceParts parts;
  TVQ_VEruredo module{parts, server.Factory(), 12, testing::kFakeServerTimeouts};
};

TEST_F(ServiceModuleTest, CreatedWithTheTimerRunningAndNothingToConnectTo) {
  EXPECT_TRUE(module.Timer().Enabled());
  EXPECT_EQ(module.Timer().Interval(), milliseconds(2000));
  module.TimerComTimer();
  EXPECT_EQ(server.connections, 0);
  EXPECT_EQ(parts.Events(), Events{});
}

TEST_F(ServiceModuleTest, DebugAddsTheStartAndStopLinesAsInformation) {
  parts.load = LoadOf(Configured(true));
  module.ServiceStart();
  module.ServiceStop();
  EXPECT_EQ(parts.Events(), (Events{"log4:Loading Settings...", "log4:Service Vequor Clients Manager Started",
                                    "log4:Service Vequor Clients Manager Stopped"}));
  EXPECT_EQ(parts.log_program_paths.back(), "C:\\Vequor\\") << "the log follows the loaded program path";
}

TEST_F(ServiceModuleTest, WithoutDebugAStartAndAStopWriteNothing) {
  parts.load = LoadOf(Configured(false));
  module.ServiceStart();
  module.ServiceStop();
  EXPECT_EQ(parts.Events(), Events{});
}

TEST_F(ServiceModuleTest, AnErrorEscapingTheStartIsLoggedWith490AndGoesNoFurther) {
  parts.load = [](PollTimer&, const ServiceParts::LogFunction&) -> ServiceSettings {
    throw std::runtime_error("Access denied");
  };
  EXPECT_NO_THROW(module.ServiceStart());
  EXPECT_EQ(parts.Events(), Events{"log1:(490) Access denied"});
}

TEST_F(ServiceModuleTest, TicksSeeNoSettingsUntilTheTickThreadTakesTheWholeRecord) {
  parts.load = LoadOf(Configured(false), milliseconds(5000));
  module.ServiceStart();
  EXPECT_EQ(module.ConnectionSettings().server, "") << "published, not yet taken over";
  EXPECT_EQ(module.Timer().Interval(), milliseconds(2000));

  auto before = RunLoopTimer::Clock::now();
  module.ApplyPublishedSettings();
  ConnectionParameters parameters = module.ConnectionSettings();
  EXPECT_EQ(parameters.server, "ups.local");
  EXPECT_EQ(parameters.port, 9706);
  EXPECT_EQ(parameters.password, "secret");
  EXPECT_EQ(module.Timer().Interval(), milliseconds(5000));
  EXPECT_TRUE(module.Timer().Enabled());
  EXPECT_GE(module.Timer().Due() - before, milliseconds(5000)) << "the first tick comes Interval after the load";
}

TEST_F(ServiceModuleTest, ALoadThatFailedPartWayKeepsWhatItReadButLeavesTheTimer) {
  parts.load = LoadOf(Configured(false), std::nullopt);
  module.ServiceStart();
  module.ApplyPublishedSettings();
  EXPECT_EQ(module.ConnectionSettings().server, "ups.local");
  EXPECT_EQ(module.Timer().Interval(), milliseconds(2000));
}

TEST_F(ServiceModuleTest, APortBeyondTcpNamesNoServerRatherThanAnotherPort) {
  ServiceSettings settings = Configured(false);
  settings.port = 65536 + 9706;
  parts.load = LoadOf(settings);
  module.ServiceStart();
  module.ApplyPublishedSettings();
  EXPECT_EQ(module.ConnectionSettings().port, 0);
}

TEST_F(ServiceModuleTest, PollsWithTheLoadedSettingsAndShutsDownInTheLoadedMode) {
  parts.load = LoadOf(Configured(false));
  module.ServiceStart();
  module.ApplyPublishedSettings();
  module.TimerComTimer();
  server.replies["TIMEOUT"] = "200 SHUTDOWN\r\n";
  module.TimerComTimer();
  EXPECT_EQ(server.commands, (Events{"LOGIN secret", "TIMEOUT"}));
  EXPECT_EQ(parts.Events(), Events{"shutdown:12:2"});
}

TEST_F(ServiceModuleTest, AStopWhileLoggedInSendsNothingAndKeepsTheConnection) {
  parts.load = LoadOf(Configured(true));
  module.ServiceStart();
  module.ApplyPublishedSettings();
  module.TimerComTimer();
  module.ServiceStop();
  EXPECT_EQ(server.commands, Events{"LOGIN secret"});
  EXPECT_FALSE(server.current->client_closed);
}

TEST_F(ServiceModuleTest, AnErrorEscapingATickGoesToTheSystemLogAndTheTicksGoOn) {
  parts.load = LoadOf(Configured(false));
  module.ServiceStart();
  module.ApplyPublishedSettings();
  module.TimerComTimer();
  server.ResetConnection();
  EXPECT_NO_THROW(module.TimerComTimer());
  EXPECT_EQ(parts.Events(), Events{"unhandled:Connection reset by peer"});
  EXPECT_TRUE(module.Timer().Enabled());
}

// The real arrangement: ticks on their own thread, the start on this one. The
// first tick comes right after the load and connects with the new settings.
TEST(ServiceModuleThreadsTest, ALoadOnTheControlSideReachesTheTickThread) {
  testing::FakeServer server;
  testing::RecordingServiceParts parts;
  std::atomic<bool> connecting{false};
  auto factory = [&, inner = server.Factory()] {
    connecting = true;
    return inner();
  };
  TVQ_VEruredo module{parts, factory, 12, testing::kFakeServerTimeouts};
  parts.load = LoadOf(Configured(false), milliseconds(0));
  std::thread ticks([&] { module.RunTicks(); });
  module.ServiceStart();
  for (int i = 0; i < 500 && !connecting; ++i) std::this_thread::sleep_for(milliseconds(10));
  module.StopTicks();
  ticks.join();
  EXPECT_EQ(server.commands, Events{"LOGIN secret"});
}

}  // namespace
}  // namespace vq
