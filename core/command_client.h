#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/transport.h"

namespace vq {

// A failure of the command protocol: a closed or broken connection, an over-long
// line, an invalid reply code. Refused requests are answers, not failures.
class ProtocolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every wait on the UPS server is bounded, so a server that accepts the
// connection and then says nothing is given up well inside 10 s.
inline constexpr std::chrono::milliseconds kConnectTimeout{5000};
inline constexpr std::chrono::milliseconds kReplyTimeout{5000};
inline constexpr std::size_t kMaxReplyLineLength = 16384;

inline constexpr char kNotConnectedText[] = "Not connected.";
inline constexpr char kClosedGracefullyText[] = "Connection Closed Gracefully.";
inline constexpr char kMaxLineLengthText[] = "Max line length exceeded.";
inline constexpr char kInvalidReplyCodeText[] = "Reply Code is not valid: ";
inline constexpr char kReadTimedOutText[] = "Read timed out.";
inline constexpr char kLineBreakInCommandText[] = "Command contains a line break.";

// Removes bytes 0x00 to 0x20 at both ends, as the protocol and the data record
// trim their texts.
std::string TrimControlAndSpace(const std::string& text);

// How long the client waits on the server; tests shorten the reply wait.
struct ClientTimeouts {
  std::chrono::milliseconds connect = kConnectTimeout;
  std::chrono::milliseconds reply = kReplyTimeout;
};

// The line-based TCP client that talks to the UPS server: one command line out,
// one reply with a three-digit code back ("200" means accepted).
class CommandClient {
 public:
  using TransportFactory = std::function<std::unique_ptr<Transport>()>;

  explicit CommandClient(TransportFactory factory = CreateTcpTransport, ClientTimeouts timeouts = {});

  // Opens a connection with a fresh transport. Throws SocketError/TimeoutError.
  void Connect(const std::string& host, std::uint16_t port);

  // Reads one line (the greeting) untrimmed and unchecked.
  std::string ReadLine();

  // Sends the command and CR LF, reads the whole reply and returns its code.
  // A refusal is returned, not thrown. A command holding CR or LF is refused
  // unsent: a hand-edited stored password could otherwise smuggle in a second
  // command line.
  std::string SendCommand(const std::string& command);

  const std::string& ReplyCode() const { return reply_code_; }
  // Each reply line from its fifth character on, each followed by CR LF.
  const std::string& ReplyText() const { return reply_text_; }
  std::string TrimmedReplyText() const { return TrimControlAndSpace(reply_text_); }

  // True while the connection is open, or while received bytes are still unread.
  // Reads what has already arrived without waiting; when the server has closed
  // the connection, closes this side too, without the disconnect event.
  bool Connected();

  // Closes without sending anything; raises the disconnect event only when the
  // connection was open.
  void Close();

  bool HasTransport() const { return transport_ != nullptr; }
  // Drops the socket object and anything buffered, so the next attempt starts clean.
  void DiscardTransport();

  void SetOnDisconnected(std::function<void()> handler) { on_disconnected_ = std::move(handler); }

 private:
  std::string ReadLineUntil(std::chrono::steady_clock::time_point deadline);
  void ReadReply();
  void CloseSocket();

  TransportFactory factory_;
  ClientTimeouts timeouts_;
  std::unique_ptr<Transport> transport_;
  bool open_ = false;
  std::string buffer_;
  std::string reply_code_;
  std::string reply_text_;
  std::function<void()> on_disconnected_;
};

}  // namespace vq
