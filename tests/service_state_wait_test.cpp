#include <gtest/gtest.h>

#include <deque>

#include "service/service_state_wait.h"

namespace vq {
namespace {

using std::chrono::milliseconds;
using State = ServiceState;

ServiceStatus Pending(State state, std::uint32_t checkpoint, std::uint32_t hint = 5000) {
  return ServiceStatus{state, 0, checkpoint, hint};
}
ServiceStatus Settled(State state) { return ServiceStatus{state, 7, 0, 0}; }

struct WaitCase {
  const char* name;
  State target;
  ServiceStatus first;
  std::vector<std::optional<ServiceStatus>> later;  // what the queries return
  ServiceWaitOutcome outcome;
  std::vector<long> sleeps_ms;
};

class ServiceStateWaitTest : public ::testing::TestWithParam<WaitCase> {};

TEST_P(ServiceStateWaitTest, EndsAsExpected) {
  const WaitCase& c = GetParam();
  std::deque<std::optional<ServiceStatus>> answers(c.later.begin(), c.later.end());
  std::vector<long> sleeps;
  auto query = [&]() -> std::optional<ServiceStatus> {
    if (answers.empty()) return c.later.back();  // the last answer repeats
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  };
  auto sleep = [&](milliseconds duration) { sleeps.push_back(static_cast<long>(duration.count())); };
  EXPECT_EQ(WaitForServiceState(c.target, c.first, query, sleep, milliseconds(1000)), c.outcome);
  EXPECT_EQ(sleeps, c.sleeps_ms);
}

INSTANTIATE_TEST_SUITE_P(
    Table,
    ServiceStateWaitTest,
    ::testing::Values(
        WaitCase{"AlreadyRunning", State::kRunning, Settled(State::kRunning), {}, ServiceWaitOutcome::kReached, {}},
        WaitCase{"StartsAfterOneStepOfAtMostAQuarterSecond",
                 State::kRunning,
                 Pending(State::kStartPending, 1),
                 {Settled(State::kRunning)},
                 ServiceWaitOutcome::kReached,
                 {250}},
        WaitCase{"ShortHintsAreSleptAsTheyAre",
                 State::kStopped,
                 Pending(State::kStopPending, 1, 200),
                 {Pending(State::kStopPending, 2, 0), Settled(State::kStopped)},
                 ServiceWaitOutcome::kReached,
                 {200, 50}},
        WaitCase{"FailedQuery",
                 State::kRunning,
                 Pending(State::kStartPending, 1),
                 {std::nullopt},
                 ServiceWaitOutcome::kQueryFailed,
                 {250}},
        WaitCase{"FallingCheckpoint",
                 State::kRunning,
                 Pending(State::kStartPending, 3),
                 {Pending(State::kStartPending, 2)},
                 ServiceWaitOutcome::kCheckpointFell,
                 {250}},
        WaitCase{"StoppedWhileStarting",
                 State::kRunning,
                 Pending(State::kStartPending, 1),
                 {Settled(State::kStopped)},
                 ServiceWaitOutcome::kStopped,
                 {250}},
        WaitCase{"StuckPendingEndsAtTheBound",
                 State::kStopped,
                 Pending(State::kStopPending, 1),
                 {Pending(State::kStopPending, 1)},
                 ServiceWaitOutcome::kTimedOut,
                 {250, 250, 250, 250}}),
    [](const ::testing::TestParamInfo<WaitCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vq
