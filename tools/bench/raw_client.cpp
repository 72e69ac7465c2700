// The floor for the service benchmark: the same exchanges as the service's loop
// (greeting, LOGIN, then TIMEOUT every interval) over a raw socket, and nothing
// else: no settings, no log, no threads.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

volatile std::sig_atomic_t stop_requested = 0;

void RequestStop(int) { stop_requested = 1; }

// Reads one reply: lines until one whose fourth character is not "-".
bool ReadReply(int fd, std::string& buffer) {
  for (;;) {
    std::size_t end = buffer.find("\r\n");
    while (end != std::string::npos) {
      bool last = buffer.size() < 4 || buffer[3] != '-';
      buffer.erase(0, end + 2);
      if (last) return true;
      end = buffer.find("\r\n");
    }
    char chunk[512];
    ssize_t received = recv(fd, chunk, sizeof(chunk), 0);
    if (received <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(received));
  }
}

bool Exchange(int fd, const std::string& command, std::string& buffer) {
  std::string line = command + "\r\n";
  return send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size()) && ReadReply(fd, buffer);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "Usage: raw_client PORT [PASSWORD] [INTERVAL_MS]\n");
    return 2;
  }
  int port = std::atoi(argv[1]);
  std::string password = argc > 2 ? argv[2] : "";
  auto interval = std::chrono::milliseconds(argc > 3 ? std::atoi(argv[3]) : 2000);
  std::signal(SIGTERM, RequestStop);
  std::signal(SIGINT, RequestStop);

  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    std::perror("raw_client: connect");
    return 1;
  }
  std::string buffer;
  if (!ReadReply(fd, buffer) || (!password.empty() && !Exchange(fd, "LOGIN " + password, buffer))) return 1;
  auto next = std::chrono::steady_clock::now() + interval;
  while (!stop_requested) {
    std::this_thread::sleep_until(next);
    if (stop_requested) break;
    if (!Exchange(fd, "TIMEOUT", buffer)) return 1;
    next += interval;
  }
  close(fd);
  return 0;
}
