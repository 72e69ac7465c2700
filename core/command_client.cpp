#include "core/command_client.h"

#include <algorithm>

namespace vq {
namespace {

bool IsControlOrSpace(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// A reply code is valid when empty or a whole number from 100 to 999.
bool IsValidReplyCode(const std::string& code) {
  if (code.empty()) return true;
  if (code.size() != 3) return false;
  if (!std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  return code[0] != '0';
}

// A line ends the reply when it is shorter than four characters or has a space
// as its fourth; "200-..." announces a continuation line.
bool EndsReply(const std::string& line) { return line.size() < 4 || line[3] == ' '; }

std::string PayloadOf(const std::string& line) { return line.size() > 4 ? line.substr(4) : std::string(); }

}  // namespace

std::string TrimControlAndSpace(const std::string& text) {
  auto first = std::find_if_not(text.begin(), text.end(), IsControlOrSpace);
  auto last = std::find_if_not(text.rbegin(), text.rend(), IsControlOrSpace).base();
  return first < last ? std::string(first, last) : std::string();
}

CommandClient::CommandClient(TransportFactory factory, ClientTimeouts timeouts)
    : factory_(std::move(factory)), timeouts_(timeouts) {}

void CommandClient::Connect(const std::string& host, std::uint16_t port) {
  DiscardTransport();
  transport_ = factory_();
  transport_->Connect(host, port, timeouts_.connect);
  open_ = true;
}

std::string CommandClient::ReadLine() {
  return ReadLineUntil(std::chrono::steady_clock::now() + timeouts_.reply);
}

std::string CommandClient::ReadLineUntil(std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    if (auto lf = buffer_.find('\n'); lf != std::string::npos) {
      std::size_t length = (lf > 0 && buffer_[lf - 1] == '\r') ? lf - 1 : lf;
      if (length > kMaxReplyLineLength) throw ProtocolError(kMaxLineLengthText);
      std::string line = buffer_.substr(0, length);
      buffer_.erase(0, lf + 1);
      return line;
    }
    // Without its LF yet, a line may still end in a CR that the LF will strip.
    bool may_end_in_cr = !buffer_.empty() && buffer_.back() == '\r';
    if (buffer_.size() > kMaxReplyLineLength + (may_end_in_cr ? 1 : 0)) throw ProtocolError(kMaxLineLengthText);
    if (!open_) throw ProtocolError(buffer_.empty() && !transport_ ? kNotConnectedText : kClosedGracefullyText);

    auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (remaining.count() <= 0) throw TimeoutError(kReadTimedOutText);
    switch (transport_->Receive(buffer_, remaining)) {
      case Transport::ReceiveResult::kReceived:
        break;
      case Transport::ReceiveResult::kPeerClosed:
        CloseSocket();
        break;
      case Transport::ReceiveResult::kNothingYet:
        if (std::chrono::steady_clock::now() >= deadline) throw TimeoutError(kReadTimedOutText);
        break;
    }
  }
}

std::string CommandClient::SendCommand(const std::string& command) {
  if (!open_) throw ProtocolError(kNotConnectedText);
  if (command.find_first_of("\r\n") != std::string::npos) throw ProtocolError(kLineBreakInCommandText);
  transport_->Send(command + "\r\n", timeouts_.reply);
  ReadReply();
  return reply_code_;
}

void CommandClient::ReadReply() {
  reply_code_.clear();
  reply_text_.clear();
  // One deadline for the whole reply, so a server that trickles lines cannot hold us.
  auto deadline = std::chrono::steady_clock::now() + timeouts_.reply;

  std::string line;
  do {
    line = TrimControlAndSpace(ReadLineUntil(deadline));
  } while (line.empty());

  std::string code = TrimControlAndSpace(line.substr(0, 3));
  std::string text = PayloadOf(line) + "\r\n";
  while (!EndsReply(line)) {
    line = ReadLineUntil(deadline);
    text += PayloadOf(line) + "\r\n";
  }
  if (!IsValidReplyCode(code)) throw ProtocolError(kInvalidReplyCodeText + code);
  reply_code_ = code;
  reply_text_ = text;
}

bool CommandClient::Connected() {
  if (open_) {
    // Collect what has arrived without waiting; a reset surfaces here as SocketError.
    for (;;) {
      auto result = transport_->Receive(buffer_, std::chrono::milliseconds(0));
      if (result == Transport::ReceiveResult::kReceived) continue;
      if (result == Transport::ReceiveResult::kPeerClosed) CloseSocket();
      break;
    }
  }
  return open_ || !buffer_.empty();
}

void CommandClient::Close() {
  if (!open_) return;
  CloseSocket();
  if (on_disconnected_) on_disconnected_();
}

void CommandClient::CloseSocket() {
  open_ = false;
  if (transport_) transport_->Close();
}

void CommandClient::DiscardTransport() {
  CloseSocket();
  transport_.reset();
  buffer_.clear();
}

}  // namespace vq
