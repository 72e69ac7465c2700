#include "service/service_controller.h"

namespace vq {
namespace {

bool IsPending(ServiceState state) {
  return state == ServiceState::kStartPending || state == ServiceState::kStopPending ||
         state == ServiceState::kPausePending || state == ServiceState::kContinuePending;
}

bool AcceptsControls(ServiceState state) {
  return state != ServiceState::kStartPending && state != ServiceState::kStopPending && state != ServiceState::kStopped;
}

}  // namespace

ServiceController::ServiceController(ServiceHandlers& handlers, StatusReporter& reporter)
    : handlers_(handlers), reporter_(reporter) {}

void ServiceController::Run() {
  Report(ServiceState::kStartPending);
  handlers_.ServiceStart();
  Report(ServiceState::kRunning);
  for (;;) {
    switch (NextControl()) {
      case ServiceControl::kStop:
        handlers_.ServiceStop();
        Report(ServiceState::kStopped);
        return;
      case ServiceControl::kShutdown:
        Report(ServiceState::kStopped);
        return;
      case ServiceControl::kPause:
        Report(ServiceState::kPausePending);
        Report(ServiceState::kPaused);
        break;
      case ServiceControl::kContinue:
        Report(ServiceState::kContinuePending);
        Report(ServiceState::kRunning);
        break;
      case ServiceControl::kInterrogate:
        break;
    }
  }
}

bool ServiceController::HandleControl(ServiceControl control) {
  std::lock_guard lock(mutex_);
  switch (control) {
    case ServiceControl::kInterrogate:
      ReportLocked(state_);
      return true;
    case ServiceControl::kStop:
    case ServiceControl::kShutdown:
      // The manager learns of the stop before the service acts on it.
      ReportLocked(ServiceState::kStopPending);
      break;
    case ServiceControl::kPause:
    case ServiceControl::kContinue:
      break;
    default:
      return false;
  }
  controls_.push_back(control);
  forwarded_.notify_one();
  return true;
}

ServiceState ServiceController::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void ServiceController::ReportLocked(ServiceState state) {
  checkpoint_ = IsPending(state) ? checkpoint_ + 1 : 0;
  state_ = state;
  reporter_.Report(ServiceStatus{state, AcceptsControls(state) ? kAcceptedControls : 0, checkpoint_,
                                 IsPending(state) ? kPendingWaitHintMs : 0});
}

void ServiceController::Report(ServiceState state) {
  std::lock_guard lock(mutex_);
  ReportLocked(state);
}

ServiceControl ServiceController::NextControl() {
  std::unique_lock lock(mutex_);
  forwarded_.wait(lock, [this] { return !controls_.empty(); });
  ServiceControl control = controls_.front();
  controls_.pop_front();
  return control;
}

}  // namespace vq
