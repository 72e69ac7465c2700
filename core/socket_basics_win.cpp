#include <winsock2.h>

#include <mutex>

#include "core/socket_basics.h"
#include "core/system_error.h"
#include "core/transport.h"

namespace vq {

void ThrowSocketError(int code) { throw SocketError(SystemErrorMessage(static_cast<unsigned long>(code))); }

void StartSocketsOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    if (int status = WSAStartup(MAKEWORD(2, 2), &data); status != 0) ThrowSocketError(status);
  });
}

bool WaitForSocket(NativeSocket socket, SocketReadiness readiness, std::chrono::milliseconds timeout) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(static_cast<SOCKET>(socket), &ready);
  // A failed non-blocking connect shows only in the exception set.
  fd_set failed;
  FD_ZERO(&failed);
  FD_SET(static_cast<SOCKET>(socket), &failed);
  timeval limit{static_cast<long>(timeout.count() / 1000), static_cast<long>((timeout.count() % 1000) * 1000)};
  bool for_write = readiness == SocketReadiness::kWritable;
  int count = select(0, for_write ? nullptr : &ready, for_write ? &ready : nullptr, &failed, &limit);
  if (count == SOCKET_ERROR) ThrowSocketError(WSAGetLastError());
  return count > 0;
}

}  // namespace vq
