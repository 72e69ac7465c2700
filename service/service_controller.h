#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "service/service_state.h"

namespace vq {

// The two handlers a service supplies; both run on the control side.
class ServiceHandlers {
 public:
  virtual ~ServiceHandlers() = default;
  virtual void ServiceStart() = 0;
  virtual void ServiceStop() = 0;
};

// Where the service's status goes: SetServiceStatus on Windows, the systemd
// notification socket on Linux.
class StatusReporter {
 public:
  virtual ~StatusReporter() = default;
  virtual void Report(const ServiceStatus& status) = 0;
};

// The service control plumbing, written once for both platforms. Run() is the
// control side (the service main thread): start pending, ServiceStart, running,
// then the forwarded controls until a stop or a shutdown of the computer.
// HandleControl() is the control handler, called on the dispatcher's thread (or
// a signal thread): it only reports what must be reported before the control
// side acts, and forwards the control.
class ServiceController {
 public:
  ServiceController(ServiceHandlers& handlers, StatusReporter& reporter);

  // Returns after the stopped state has been reported.
  void Run();
  // False for a control this service does not handle.
  bool HandleControl(ServiceControl control);

  ServiceState State() const;

 private:
  // Pending states carry the wait hint and a checkpoint that advances with
  // every report; no control is accepted while a start or stop is pending.
  void ReportLocked(ServiceState state);
  void Report(ServiceState state);
  ServiceControl NextControl();

  ServiceHandlers& handlers_;
  StatusReporter& reporter_;
  mutable std::mutex mutex_;
  std::condition_variable forwarded_;
  std::deque<ServiceControl> controls_;
  ServiceState state_ = ServiceState::kStopped;
  std::uint32_t checkpoint_ = 0;
};

}  // namespace vq
