#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/socket_basics.h"
#include "tools/simulator/sockets.h"

namespace vq::simulator {
namespace {

sockaddr_in ToSockaddr(const Endpoint& endpoint) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(endpoint.port);
  std::memcpy(&address.sin_addr, endpoint.address.data(), 4);
  return address;
}

Endpoint ToEndpoint(const sockaddr_in& address) {
  Endpoint endpoint;
  std::memcpy(endpoint.address.data(), &address.sin_addr, 4);
  endpoint.port = ntohs(address.sin_port);
  return endpoint;
}

// Owns one descriptor.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }
  int get() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

Descriptor OpenSocket(int type) {
  int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
  if (fd < 0) ThrowSocketError(errno);
  return Descriptor(fd);
}

Endpoint LocalOf(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof(address);
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) ThrowSocketError(errno);
  return ToEndpoint(address);
}

void Bind(int fd, const Endpoint& local) {
  int on = 1;
  // Lets a restarted simulator take its port back while old connections linger in TIME_WAIT.
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  sockaddr_in address = ToSockaddr(local);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) ThrowSocketError(errno);
}

class PosixServerConnection final : public ServerConnection {
 public:
  PosixServerConnection(int fd, Endpoint peer) : socket_(fd), peer_(peer) {}

  ReceiveResult Receive(std::string& buffer, std::chrono::milliseconds timeout) override {
    if (!WaitForSocket(socket_.get(), SocketReadiness::kReadable, timeout)) return ReceiveResult::kNothingYet;
    char chunk[4096];
    for (;;) {
      ssize_t received = ::recv(socket_.get(), chunk, sizeof(chunk), 0);
      if (received > 0) {
        buffer.append(chunk, static_cast<std::size_t>(received));
        return ReceiveResult::kReceived;
      }
      if (received == 0) return ReceiveResult::kPeerClosed;
      if (errno != EINTR) ThrowSocketError(errno);
    }
  }

  void Send(std::string_view bytes, std::chrono::milliseconds timeout) override {
    while (!bytes.empty()) {
      if (!WaitForSocket(socket_.get(), SocketReadiness::kWritable, timeout)) throw TimeoutError("Write timed out.");
      ssize_t sent = ::send(socket_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (sent >= 0) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
      } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
        ThrowSocketError(errno);
      }
    }
  }

  void Close() override { socket_.Close(); }

  void Reset() override {
    linger abort{1, 0};
    ::setsockopt(socket_.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
    socket_.Close();
  }

  Endpoint Peer() const override { return peer_; }

 private:
  Descriptor socket_;
  Endpoint peer_;
};

class PosixListener final : public Listener {
 public:
  explicit PosixListener(const Endpoint& local) : socket_(OpenSocket(SOCK_STREAM)) {
    Bind(socket_.get(), local);
    if (::listen(socket_.get(), SOMAXCONN) != 0) ThrowSocketError(errno);
  }

  std::unique_ptr<ServerConnection> Accept(std::chrono::milliseconds timeout) override {
    if (!WaitForSocket(socket_.get(), SocketReadiness::kReadable, timeout)) return nullptr;
    sockaddr_in peer{};
    socklen_t length = sizeof(peer);
    int fd = ::accept4(socket_.get(), reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    if (fd < 0) {
      // A connection that the peer gave up before we took it is not our failure.
      if (errno == EINTR || errno == ECONNABORTED || errno == EAGAIN) return nullptr;
      ThrowSocketError(errno);
    }
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    return std::make_unique<PosixServerConnection>(fd, ToEndpoint(peer));
  }

  Endpoint Local() const override { return LocalOf(socket_.get()); }

 private:
  Descriptor socket_;
};

class PosixDatagramSocket final : public DatagramSocket {
 public:
  explicit PosixDatagramSocket(const Endpoint& local) : socket_(OpenSocket(SOCK_DGRAM)) { Bind(socket_.get(), local); }

  std::optional<Datagram> Receive(std::chrono::milliseconds timeout) override {
    if (!WaitForSocket(socket_.get(), SocketReadiness::kReadable, timeout)) return std::nullopt;
    std::string bytes(65536, '\0');
    sockaddr_in from{};
    socklen_t length = sizeof(from);
    ssize_t received = ::recvfrom(socket_.get(), bytes.data(), bytes.size(), MSG_DONTWAIT,
                                  reinterpret_cast<sockaddr*>(&from), &length);
    if (received < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) return std::nullopt;
      ThrowSocketError(errno);
    }
    bytes.resize(static_cast<std::size_t>(received));
    return Datagram{std::move(bytes), ToEndpoint(from)};
  }

  void SendTo(std::string_view bytes, const Endpoint& to) override {
    sockaddr_in address = ToSockaddr(to);
    if (::sendto(socket_.get(), bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&address),
                 sizeof(address)) < 0) {
      ThrowSocketError(errno);
    }
  }

  Endpoint Local() const override { return LocalOf(socket_.get()); }

 private:
  Descriptor socket_;
};

}  // namespace

std::unique_ptr<Listener> Listen(const Endpoint& local) { return std::make_unique<PosixListener>(local); }

std::unique_ptr<DatagramSocket> BindDatagram(const Endpoint& local) {
  return std::make_unique<PosixDatagramSocket>(local);
}

std::optional<Ipv4Address> LocalAddressFacing(const Endpoint& peer) {
  // Connecting a datagram socket sends nothing; it only chooses the route.
  Descriptor probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (probe.get() < 0) return std::nullopt;
  sockaddr_in address = ToSockaddr(peer);
  if (::connect(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) return std::nullopt;
  return LocalOf(probe.get()).address;
}

}  // namespace vq::simulator
