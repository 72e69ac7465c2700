#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>
#include <mutex>

#include "core/system_error.h"
#include "core/transport.h"

namespace vq {
namespace {

[[noreturn]] void ThrowSocketError(int code) { throw SocketError(SystemErrorMessage(static_cast<unsigned long>(code))); }

void StartWinsockOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    if (int status = WSAStartup(MAKEWORD(2, 2), &data); status != 0) ThrowSocketError(status);
  });
}

timeval ToTimeval(std::chrono::milliseconds timeout) {
  return timeval{static_cast<long>(timeout.count() / 1000), static_cast<long>((timeout.count() % 1000) * 1000)};
}

// Waits until the socket can be read (or written); false when the time ran out.
bool WaitFor(SOCKET socket, bool for_write, std::chrono::milliseconds timeout) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(socket, &ready);
  fd_set failed;
  FD_ZERO(&failed);
  FD_SET(socket, &failed);
  timeval limit = ToTimeval(timeout);
  int count = select(0, for_write ? nullptr : &ready, for_write ? &ready : nullptr, &failed, &limit);
  if (count == SOCKET_ERROR) ThrowSocketError(WSAGetLastError());
  return count > 0;
}

class WinsockTcpTransport final : public Transport {
 public:
  WinsockTcpTransport() { StartWinsockOnce(); }
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
      if (!WaitFor(socket_, true, timeout)) throw TimeoutError("Connect timed out.");
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
      if (!WaitFor(socket_, true, timeout)) throw TimeoutError("Write timed out.");
    }
  }

  ReceiveResult Receive(std::string& buffer, std::chrono::milliseconds timeout) override {
    if (!WaitFor(socket_, false, timeout)) return ReceiveResult::kNothingYet;
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
