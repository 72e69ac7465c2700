#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/command_client.h"
#include "core/transport.h"

namespace vq::testing {

// Waits against the in-memory server: nothing arrives late there, so a wait
// that runs out means the client waits for something that never comes.
inline constexpr ClientTimeouts kFakeServerTimeouts{std::chrono::milliseconds(50), std::chrono::milliseconds(20)};

// A UPS server in memory: hands out transports that answer each command line
// from a table, records what the client sent, and can close, reset or hang.
class FakeServer {
 public:
  FakeServer();

  // The raw bytes sent on connecting, before any command.
  std::string greeting = "220 UPS server ready\r\n";
  // Raw reply bytes for a command, keyed by the command word ("LOGIN", "DATA"...).
  std::map<std::string, std::string> replies;
  // When set, Connect fails with this socket error text.
  std::optional<std::string> connect_error;

  // Every command line the client sent, across connections, without CR LF.
  std::vector<std::string> commands;
  int connections = 0;

  // What the server does to the connection that is open now.
  void CloseConnection();
  void ResetConnection();
  void HangConnection();
  // Bytes that arrive unasked on the open connection.
  void Push(const std::string& bytes);
  // Makes the server close the connection after answering this command word.
  std::optional<std::string> close_after;

  CommandClient::TransportFactory Factory();

  struct Connection {
    std::string pending;
    bool closed = false;
    bool reset = false;
    bool hung = false;
    bool client_closed = false;
  };
  std::shared_ptr<Connection> current;
};

}  // namespace vq::testing
