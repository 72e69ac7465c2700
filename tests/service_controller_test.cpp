#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "service/service_controller.h"

namespace vq {
namespace {

using Events = std::vector<std::string>;

// Writes the handlers' calls and every reported status into one list, from
// whichever thread they come: "start", "stop", "state/accepted/checkpoint/hint".
class Recorder final : public ServiceHandlers, public StatusReporter {
 public:
  void ServiceStart() override { Add("start"); }
  void ServiceStop() override { Add("stop"); }
  void Report(const ServiceStatus& status) override {
    Add(std::to_string(static_cast<int>(status.state)) + "/" + std::to_string(status.controls_accepted) + "/" +
        std::to_string(status.checkpoint) + "/" + std::to_string(status.wait_hint_ms));
  }

  // Waits (bounded) until `count` events have come, and returns them all.
  Events WaitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(5), [&] { return events_.size() >= count; });
    return events_;
  }

 private:
  void Add(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  Events events_;
};

class ServiceControllerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (control_side.joinable()) {
      controller.HandleControl(ServiceControl::kStop);
      control_side.join();
    }
  }
  void Start() {
    control_side = std::thread([this] { controller.Run(); });
  }

  Recorder recorder;
  ServiceController controller{recorder, recorder};
  std::thread control_side;
};

// Status texts: state/accepted controls/checkpoint/wait hint.
const std::string kStartPending = "2/0/1/5000";
const std::string kRunning = "4/7/0/0";

TEST_F(ServiceControllerTest, StartsAcceptingNothingWhilePendingThenStopsWithStopPendingFirst) {
  Start();
  EXPECT_EQ(recorder.WaitFor(3), (Events{kStartPending, "start", kRunning}));
  EXPECT_TRUE(controller.HandleControl(ServiceControl::kStop));
  control_side.join();
  EXPECT_EQ(recorder.WaitFor(6), (Events{kStartPending, "start", kRunning, "3/0/1/5000", "stop", "1/0/0/0"}));
}

TEST_F(ServiceControllerTest, PauseAndContinueGoThroughTheirPendingStates) {
  Start();
  recorder.WaitFor(3);
  controller.HandleControl(ServiceControl::kPause);
  recorder.WaitFor(5);
  EXPECT_EQ(controller.State(), ServiceState::kPaused);
  controller.HandleControl(ServiceControl::kContinue);
  Events events = recorder.WaitFor(7);
  EXPECT_EQ(Events(events.begin() + 3, events.end()), (Events{"6/7/1/5000", "7/7/0/0", "5/7/1/5000", kRunning}));
}

TEST_F(ServiceControllerTest, ShutdownOfTheComputerEndsWithoutServiceStop) {
  Start();
  recorder.WaitFor(3);
  controller.HandleControl(ServiceControl::kShutdown);
  control_side.join();
  EXPECT_EQ(recorder.WaitFor(5), (Events{kStartPending, "start", kRunning, "3/0/1/5000", "1/0/0/0"}));
}

TEST_F(ServiceControllerTest, InterrogateReportsTheCurrentStateAgain) {
  Start();
  recorder.WaitFor(3);
  controller.HandleControl(ServiceControl::kPause);
  recorder.WaitFor(5);
  controller.HandleControl(ServiceControl::kInterrogate);
  EXPECT_EQ(recorder.WaitFor(6).back(), "7/7/0/0");
}

TEST_F(ServiceControllerTest, UnknownControlsAreNotHandled) {
  EXPECT_FALSE(controller.HandleControl(static_cast<ServiceControl>(128)));
}

}  // namespace
}  // namespace vq
