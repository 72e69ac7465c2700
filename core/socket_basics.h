#pragma once

#include <chrono>
#include <cstdint>

namespace vq {

// The few socket steps that the client's transport and the UPS simulator share.
// Implementations: socket_basics_posix.cpp, socket_basics_win.cpp.

// A socket of the platform, a file descriptor or a Winsock SOCKET, as a number.
using NativeSocket = std::uintptr_t;

enum class SocketReadiness { kReadable, kWritable };

// Throws SocketError worded as the system words this error code (errno or a
// Winsock code).
[[noreturn]] void ThrowSocketError(int code);

// Winsock must be started once in a process before its first socket; elsewhere
// there is nothing to do. Throws SocketError.
void StartSocketsOnce();

// Waits until the socket can be read or written, or has failed (which the next
// call on it reports); false when the time ran out. Throws SocketError.
bool WaitForSocket(NativeSocket socket, SocketReadiness readiness, std::chrono::milliseconds timeout);

}  // namespace vq
