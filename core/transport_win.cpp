#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

#include "core/socket_basics.h"
#include "core/transport.h"

namespace vq {
namespace {

class WinsockTcpTransport final : public Transport {
 public:
  WinsockTcpTransport() { StartSocketsOnce(); }
  ~WinsockTcpTransport() override { Close(); }

  void Connect(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout) override {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); status != 0) {
      ThrowSocketError(status);
    }
    sockaddr_in address{};
    std::memcpy(&address, found->ai_addr, sizeof(address));
    freeaddrinfo(found);

    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) ThrowSocketError(WSAGetLastError());
    u_long non_blocking = 1;
    ioctlsocket(socket_, FIONBIO, &non_blocking);
    if (connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == SOCKET_ERROR) {
      int error = WSAGetLastError();
      if (error != WSAEWOULDBLOCK) ThrowSocketError(error);
      if (!WaitForSocket(socket_, SocketReadiness::kWritable, timeout)) throw TimeoutError("Connect timed out.");
      int so_error = 0;
      int length = sizeof(so_error);
      getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error), &length);
      if (so_error != 0) ThrowSocketError(so_error);
    }
    BOOL on = TRUE;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on));
  }

  void Send(std::string_view bytes, std::chrono::milliseconds timeout) override {
    while (!bytes.empty()) {
      int sent = send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0);
      if (sent != SOCKET_ERROR) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
        continue;
      }
      int error = WSAGetLastError();
      if (error != WSAEWOULDBLOCK) ThrowSocketError(error);
      if (!WaitForSocket(socket_, SocketReadiness::kWritable, timeout)) throw TimeoutError("Write timed out.");
    }
  }

  ReceiveResult Receive(std::string& buffer, std::chrono::milliseconds timeout) override {
    if (!WaitForSocket(socket_, SocketReadiness::kReadable, timeout)) return ReceiveResult::kNothingYet;
    char chunk[4096];
    int received = recv(socket_, chunk, sizeof(chunk), 0);
    if (received > 0) {
      buffer.append(chunk, static_cast<std::size_t>(received));
      return ReceiveResult::kReceived;
    }
    if (received == 0) return ReceiveResult::kPeerClosed;
    int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return ReceiveResult::kNothingYet;
    ThrowSocketError(error);
  }

  void Close() override {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace

std::unique_ptr<Transport> CreateTcpTransport() { return std::make_unique<WinsockTcpTransport>(); }


}  // namespace vq
