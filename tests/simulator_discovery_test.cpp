// The simulator's answer to the discovery datagram, read with BSD sockets: the
// desktop monitor's own discovery tests run the Winsock side against it.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/simulator_process.h"

namespace vq {
namespace {

using testing::SimulatorProcess;

// Sends `request` to the simulator's discovery port from a fresh socket and
// collects the answers until none has come for `quiet`.
std::vector<std::string> Ask(const SimulatorProcess& simulator, const std::string& request,
                             std::chrono::milliseconds quiet = std::chrono::milliseconds(150)) {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  EXPECT_GE(fd, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(simulator.discovery_port());
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(::sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof(to)),
            static_cast<ssize_t>(request.size()));
  std::vector<std::string> answers;
  pollfd entry{fd, POLLIN, 0};
  while (::poll(&entry, 1, static_cast<int>(quiet.count())) > 0) {
    char buffer[65536];
    ssize_t size = ::recv(fd, buffer, sizeof(buffer), 0);
    if (size < 0) break;
    answers.emplace_back(buffer, static_cast<std::size_t>(size));
  }
  ::close(fd);
  return answers;
}

struct DiscoveryCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string request;
  std::vector<std::string> answers;
};

void PrintTo(const DiscoveryCase& c, std::ostream* out) { *out << c.name; }

class SimulatorDiscoveryTest : public ::testing::TestWithParam<DiscoveryCase> {};

TEST_P(SimulatorDiscoveryTest, Answers) {
  const DiscoveryCase& c = GetParam();
  SimulatorProcess simulator(c.arguments);
  EXPECT_EQ(Ask(simulator, c.request), c.answers);
}

INSTANTIATE_TEST_SUITE_P(
    Discovery, SimulatorDiscoveryTest,
    ::testing::Values(
        DiscoveryCase{"HelloGetsTheBoundAddress", {}, "Hello", {"127.0.0.1"}},
        DiscoveryCase{"AllInterfacesAnswerWithTheAddressFacingTheAsker", {"--bind", "0.0.0.0"}, "Hello", {"127.0.0.1"}},
        DiscoveryCase{"Announce", {"--announce", "ups.example"}, "Hello", {"ups.example"}},
        DiscoveryCase{"OtherDatagramsAreIgnored", {}, "hello", {}},
        DiscoveryCase{"Twice", {"--fault", "discovery-twice"}, "Hello", {"127.0.0.1", "127.0.0.1"}},
        DiscoveryCase{"Empty", {"--fault", "discovery-empty"}, "Hello", {""}},
        DiscoveryCase{"Oversize", {"--fault", "discovery-oversize"}, "Hello", {std::string(9000, 'x'), "127.0.0.1"}}),
    [](const auto& info) { return info.param.name; });

TEST(SimulatorDiscoveryTest, LogsTheAsker) {
  SimulatorProcess simulator;
  Ask(simulator, "Hello");
  auto log = simulator.CommandLog();
  auto hello = std::find_if(log.begin(), log.end(), [](const auto& entry) { return entry.event == "hello"; });
  ASSERT_NE(hello, log.end());
  EXPECT_EQ(hello->source, "discovery");
  EXPECT_EQ(hello->text.substr(0, 10), "127.0.0.1:");
}

}  // namespace
}  // namespace vq
