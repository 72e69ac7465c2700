#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

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

// Owns one SOCKET.
class ScopedSocket {
 public:
  explicit ScopedSocket(SOCKET socket) : socket_(socket) {}
  ScopedSocket(const ScopedSocket&) = delete;
  ScopedSocket& operator=(const ScopedSocket&) = delete;
  ~ScopedSocket() { Close(); }
  SOCKET get() const { return socket_; }
  void Close() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

 private:
  SOCKET socket_;
};

ScopedSocket OpenSocket(int type, int protocol) {
  StartSocketsOnce();
  SOCKET socket = ::socket(AF_INET, type, protocol);
  if (socket == INVALID_SOCKET) ThrowSocketError(WSAGetLastError());
  return ScopedSocket(socket);
}

Endpoint LocalOf(SOCKET socket) {
  sockaddr_in address{};
  int length = sizeof(address);
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) ThrowSocketError(WSAGetLastError());
  return ToEndpoint(address);
}

void Bind(SOCKET socket, const Endpoint& local) {
  // Without exclusive use, Windows would let a second simulator share the port silently.
  BOOL on = TRUE;
  setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof(on));
  sockaddr_in address = ToSockaddr(local);
  if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) ThrowSocketError(WSAGetLastError());
}

class WinsockServerConnection final : public ServerConnection {
 public:
  WinsockServerConnection(SOCKET socket, Endpoint peer) : socket_(socket), peer_(peer) {
    u_long non_blocking = 1;
    ioctlsocket(socket_.get(), FIONBIO, &non_blocking);
  }

  ReceiveResult Receive(std::string& buffer, std::chrono::milliseconds timeout) override {
    if (!WaitForSocket(socket_.get(), SocketReadiness::kReadable, timeout)) return ReceiveResult::kNothingYet;
    char chunk[4096];
    int received = recv(socket_.get(), chunk, sizeof(chunk), 0);
    if (received > 0) {
      buffer.append(chunk, static_cast<std::size_t>(received));
      return ReceiveResult::kReceived;
    }
    if (received == 0) return ReceiveResult::kPeerClosed;
    int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return ReceiveResult::kNothingYet;
    ThrowSocketError(error);
  }

  void Send(std::string_view bytes, std::chrono::milliseconds timeout) override {
    while (!bytes.empty()) {
      if (!WaitForSocket(socket_.get(), SocketReadiness::kWritable, timeout)) throw TimeoutError("Write timed out.");
      int sent = send(socket_.get(), bytes.data(), static_cast<int>(bytes.size()), 0);
      if (sent != SOCKET_ERROR) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
      } else if (int error = WSAGetLastError(); error != WSAEWOULDBLOCK) {
        ThrowSocketError(error);
      }
    }
  }

  void Close() override { socket_.Close(); }

  void Reset() override {
    linger abort{1, 0};
    setsockopt(socket_.get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof(abort));
    socket_.Close();
  }

  Endpoint Peer() const override { return peer_; }

 private:
  ScopedSocket socket_;
  Endpoint peer_;
};

class WinsockListener final : public Listener {
 public:
  explicit WinsockListener(const Endpoint& local) : socket_(OpenSocket(SOCK_STREAM, IPPROTO_TCP)) {
    Bind(socket_.get(), local);
    if (listen(socket_.get(), SOMAXCONN) != 0) ThrowSocketError(WSAGetLastError());
  }

  std::unique_ptr<ServerConnection> Accept(std::chrono::milliseconds timeout) override {
    if (!WaitForSocket(socket_.get(), SocketReadiness::kReadable, timeout)) return nullptr;
    sockaddr_in peer{};
    int length = sizeof(peer);
    SOCKET socket = accept(socket_.get(), reinterpret_cast<sockaddr*>(&peer), &length);
    if (socket == INVALID_SOCKET) {
      // A connection that the peer gave up before we took it is not our failure.
      if (int error = WSAGetLastError(); error == WSAECONNRESET || error == WSAEWOULDBLOCK) return nullptr;
      ThrowSocketError(WSAGetLastError());
    }
    BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on));
    return std::make_unique<WinsockServerConnection>(socket, ToEndpoint(peer));
  }

  Endpoint Local() const override { return LocalOf(socket_.get()); }

 private:
  ScopedSocket socket_;
};

class WinsockDatagramSocket final : public DatagramSocket {
 public:
  explicit WinsockDatagramSocket(const Endpoint& local) : socket_(OpenSocket(SOCK_DGRAM, IPPROTO_UDP)) {
    Bind(socket_.get(), local);
  }

  std::optional<Datagram> Receive(std::chrono::milliseconds timeout) override {
    if (!WaitForSocket(socket_.get(), SocketReadiness::kReadable, timeout)) return std::nullopt;
    std::string bytes(65536, '\0');
    sockaddr_in from{};
    int length = sizeof(from);
    int received = recvfrom(socket_.get(), bytes.data(), static_cast<int>(bytes.size()), 0,
                            reinterpret_cast<sockaddr*>(&from), &length);
    if (received == SOCKET_ERROR) {
      // An ICMP "port unreachable" for an earlier reply shows up here; it is not about this datagram.
      if (int error = WSAGetLastError(); error == WSAECONNRESET || error == WSAEWOULDBLOCK) return std::nullopt;
      ThrowSocketError(WSAGetLastError());
    }
    bytes.resize(static_cast<std::size_t>(received));
    return Datagram{std::move(bytes), ToEndpoint(from)};
  }

  void SendTo(std::string_view bytes, const Endpoint& to) override {
    sockaddr_in address = ToSockaddr(to);
    if (sendto(socket_.get(), bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<sockaddr*>(&address),
               sizeof(address)) == SOCKET_ERROR) {
      ThrowSocketError(WSAGetLastError());
    }
  }

  Endpoint Local() const override { return LocalOf(socket_.get()); }

 private:
  ScopedSocket socket_;
};

}  // namespace

std::unique_ptr<Listener> Listen(const Endpoint& local) { return std::make_unique<WinsockListener>(local); }

std::unique_ptr<DatagramSocket> BindDatagram(const Endpoint& local) {
  return std::make_unique<WinsockDatagramSocket>(local);
}

std::optional<Ipv4Address> LocalAddressFacing(const Endpoint& peer) {
  // Connecting a datagram socket sends nothing; it only chooses the route.
  StartSocketsOnce();
  ScopedSocket probe(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (probe.get() == INVALID_SOCKET) return std::nullopt;
  sockaddr_in address = ToSockaddr(peer);
  if (connect(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) return std::nullopt;
  return LocalOf(probe.get()).address;
}

}  // namespace vq::simulator
