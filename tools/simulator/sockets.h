#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/transport.h"
#include "tools/simulator/endpoint.h"

namespace vq::simulator {

// The server's side of one accepted TCP connection. Every wait is bounded so the
// thread that serves it can notice a stop request.
// Implementations: sockets_posix.cpp (BSD sockets), sockets_win.cpp (Winsock).
class ServerConnection {
 public:
  enum class ReceiveResult { kReceived, kPeerClosed, kNothingYet };

  virtual ~ServerConnection() = default;

  // Waits at most `timeout` and appends what has arrived. Throws SocketError.
  virtual ReceiveResult Receive(std::string& buffer, std::chrono::milliseconds timeout) = 0;
  // Sends every byte or throws SocketError, or TimeoutError when the peer stops reading.
  virtual void Send(std::string_view bytes, std::chrono::milliseconds timeout) = 0;
  // An orderly close (FIN).
  virtual void Close() = 0;
  // An abortive close: linger time 0, so the peer sees a reset (RST).
  virtual void Reset() = 0;
  virtual Endpoint Peer() const = 0;
};

// A bound, listening TCP socket.
class Listener {
 public:
  virtual ~Listener() = default;
  // The next connection, or nullptr when none arrived within `timeout`.
  virtual std::unique_ptr<ServerConnection> Accept(std::chrono::milliseconds timeout) = 0;
  virtual Endpoint Local() const = 0;
};

struct Datagram {
  std::string bytes;
  Endpoint from;
};

// A bound UDP socket; it never sends anything it was not asked for.
class DatagramSocket {
 public:
  virtual ~DatagramSocket() = default;
  // The next datagram (up to 64 KiB), or nullopt when none arrived within `timeout`.
  virtual std::optional<Datagram> Receive(std::chrono::milliseconds timeout) = 0;
  virtual void SendTo(std::string_view bytes, const Endpoint& to) = 0;
  virtual Endpoint Local() const = 0;
};

// Both throw SocketError with the system's own words ("Address already in use").
std::unique_ptr<Listener> Listen(const Endpoint& local);
std::unique_ptr<DatagramSocket> BindDatagram(const Endpoint& local);

// The local address that traffic to `peer` leaves from: the address a server
// bound to all interfaces should announce to that peer.
std::optional<Ipv4Address> LocalAddressFacing(const Endpoint& peer);

}  // namespace vq::simulator
