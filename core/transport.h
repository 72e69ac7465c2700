#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vq {

// A failure of the operating system's sockets; the message is the system's own
// description of the error, which is what the log shows.
class SocketError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A wait on the peer that ran out of time. The command client turns it into the
// failure of the step in which it happened.
class TimeoutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One IPv4 TCP connection, blocking but with every wait bounded.
// Implementations: transport_posix.cpp (BSD sockets), transport_win.cpp (Winsock).
class Transport {
 public:
  enum class ReceiveResult { kReceived, kPeerClosed, kNothingYet };

  virtual ~Transport() = default;

  // Resolves the host name (IPv4 only) and connects. Throws SocketError, or
  // TimeoutError when the connection is not made within `timeout`.
  virtual void Connect(const std::string& host, std::uint16_t port,
                       std::chrono::milliseconds timeout) = 0;

  // Sends every byte or throws.
  virtual void Send(std::string_view bytes, std::chrono::milliseconds timeout) = 0;

  // Waits at most `timeout` (zero: not at all) for bytes and appends what has
  // arrived to `buffer`. kPeerClosed when the peer has closed its side.
  virtual ReceiveResult Receive(std::string& buffer, std::chrono::milliseconds timeout) = 0;

  // Closes the socket without sending anything. Safe to call twice.
  virtual void Close() = 0;
};

// The platform's TCP transport.
std::unique_ptr<Transport> CreateTcpTransport();

}  // namespace vq
