#include <poll.h>

#include <cerrno>

#include "core/socket_basics.h"
#include "core/system_error.h"
#include "core/transport.h"

namespace vq {

void ThrowSocketError(int code) { throw SocketError(SystemErrorMessage(static_cast<unsigned long>(code))); }

void StartSocketsOnce() {}

bool WaitForSocket(NativeSocket socket, SocketReadiness readiness, std::chrono::milliseconds timeout) {
  pollfd entry{static_cast<int>(socket), static_cast<short>(readiness == SocketReadiness::kReadable ? POLLIN : POLLOUT),
               0};
  for (;;) {
    int ready = ::poll(&entry, 1, static_cast<int>(timeout.count()));
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) ThrowSocketError(errno);
  }
}

}  // namespace vq
