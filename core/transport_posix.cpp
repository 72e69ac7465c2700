#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/socket_basics.h"
#include "core/transport.h"

namespace vq {
namespace {

class PosixTcpTransport final : public Transport {
 public:
  ~PosixTcpTransport() override { Close(); }

  void Connect(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout) override {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (int status = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); status != 0) {
      if (status == EAI_SYSTEM) ThrowSocketError(errno);
      throw SocketError(::gai_strerror(status));
    }
    sockaddr_in address{};
    std::memcpy(&address, found->ai_addr, sizeof(address));
    ::freeaddrinfo(found);

    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) ThrowSocketError(errno);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
      if (errno != EINPROGRESS) ThrowSocketError(errno);
      if (!WaitForSocket(fd_, SocketReadiness::kWritable, timeout)) throw TimeoutError("Connect timed out.");
      int error = 0;
      socklen_t length = sizeof(error);
      ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length);
      if (error != 0) ThrowSocketError(error);
    }
    int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
  }

  void Send(std::string_view bytes, std::chrono::milliseconds timeout) override {
    while (!bytes.empty()) {
      ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent >= 0) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
      } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
        if (!WaitForSocket(fd_, SocketReadiness::kWritable, timeout)) throw TimeoutError("Write timed out.");
      } else if (errno != EINTR) {
        ThrowSocketError(errno);
      }
    }
  }

  ReceiveResult Receive(std::string& buffer, std::chrono::milliseconds timeout) override {
    if (!WaitForSocket(fd_, SocketReadiness::kReadable, timeout)) return ReceiveResult::kNothingYet;
    char chunk[4096];
    for (;;) {
      ssize_t received = ::recv(fd_, chunk, sizeof(chunk), 0);
      if (received > 0) {
        buffer.append(chunk, static_cast<std::size_t>(received));
        return ReceiveResult::kReceived;
      }
      if (received == 0) return ReceiveResult::kPeerClosed;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return ReceiveResult::kNothingYet;
      if (errno != EINTR) ThrowSocketError(errno);
    }
  }

  void Close() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

}  // namespace

std::unique_ptr<Transport> CreateTcpTransport() { return std::make_unique<PosixTcpTransport>(); }


}  // namespace vq
