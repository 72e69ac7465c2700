#pragma once

#include <string>

#include "service/service_controller.h"

namespace vq {

// Tells systemd (Type=notify) that the daemon is ready or stopping, through the
// socket named by NOTIFY_SOCKET; does nothing when started by other means.
class SystemdNotifier final : public StatusReporter {
 public:
  SystemdNotifier();
  void Report(const ServiceStatus& status) override;

 private:
  void Send(const std::string& message);

  std::string socket_path_;
};

}  // namespace vq
