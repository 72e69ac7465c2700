#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "service/systemd_notifier.h"

namespace vq {

SystemdNotifier::SystemdNotifier() {
  if (const char* path = std::getenv("NOTIFY_SOCKET")) socket_path_ = path;
}

void SystemdNotifier::Report(const ServiceStatus& status) {
  switch (status.state) {
    case ServiceState::kRunning:
      Send("READY=1\nSTATUS=Running");
      break;
    case ServiceState::kStopPending:
      Send("STOPPING=1\nSTATUS=Stopping");
      break;
    case ServiceState::kStartPending:
      Send("STATUS=Starting");
      break;
    default:
      break;
  }
}

void SystemdNotifier::Send(const std::string& message) {
  if (socket_path_.empty()) return;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socket_path_.size() >= sizeof(address.sun_path)) return;
  std::memcpy(address.sun_path, socket_path_.data(), socket_path_.size());
  // A leading "@" names a socket in the abstract namespace.
  if (address.sun_path[0] == '@') address.sun_path[0] = '\0';
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + socket_path_.size());
  sendto(fd, message.data(), message.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address), length);
  close(fd);
}

}  // namespace vq
