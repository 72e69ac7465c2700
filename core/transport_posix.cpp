#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/system_error.h"
#include "core/transport.h"

namespace vq {
namespace {

[[noreturn]] void ThrowSystemError(int error_number) {
  throw SocketError(SystemErrorMessage(static_cast<unsigned long>(error_number)));
}

// Waits for `events` on the socket; false when the time ran out.
bool WaitFor(int fd, short events, std::chrono::milliseconds timeout) {
  pollfd entry{fd, events, 0};
  for (;;) {
    int ready = ::poll(&entry, 1, static_cast<int>(timeout.count()));
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) ThrowSystemError(errno);
  }
}

class PosixTcpTransport final : public Transport {
 public:
  ~PosixTcpTransport() override { Close(); }

  void Connect(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout) override {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (int status = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); status != 0) {
      if (status == EAI_SYSTEM) ThrowSystemError(errno);
      throw SocketError(::gai_strerror(status));
    }
    sockaddr_in address{};
    std::memcpy(&address, found->ai_addr, sizeof(address));
    ::freeaddrinfo(found);

    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) ThrowSystemError(errno);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
      if (errno != EINPROGRESS) ThrowSystemError(errno);
      if (!WaitFor(fd_, POLLOUT, timeout)) throw TimeoutError("Connect timed out.");
      int error = 0;
      socklen_t length = sizeof(error);
      ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length);
      if (error != 0) ThrowSystemError(error);
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
        if (!WaitFor(fd_, POLLOUT, timeout)) throw TimeoutError("Write timed out.");
      } else if (errno != EINTR) {
        ThrowSystemError(errno);
      }
    }
  }

  ReceiveResult Receive(std::string& buffer, std::chrono::milliseconds timeout) override {
    if (!WaitFor(fd_, POLLIN, timeout)) return ReceiveResult::kNothingYet;
    char chunk[4096];
    for (;;) {
      ssize_t received = ::recv(fd_, chunk, sizeof(chunk), 0);
      if (received > 0) {
        buffer.append(chunk, static_cast<std::size_t>(received));
        return ReceiveResult::kReceived;
      }
      if (received == 0) return ReceiveResult::kPeerClosed;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return ReceiveResult::kNothingYet;
      if (errno != EINTR) ThrowSystemError(errno);
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
