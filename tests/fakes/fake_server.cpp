#include "tests/fakes/fake_server.h"

namespace vq::testing {
namespace {

std::string CommandWord(const std::string& line) { return line.substr(0, line.find(' ')); }

class FakeTransport final : public Transport {
 public:
  explicit FakeTransport(FakeServer& server) : server_(server) {}

  void Connect(const std::string&, std::uint16_t, std::chrono::milliseconds) override {
    if (server_.connect_error) throw SocketError(*server_.connect_error);
    ++server_.connections;
    connection_ = std::make_shared<FakeServer::Connection>();
    connection_->pending = server_.greeting;
    server_.current = connection_;
  }

  void Send(std::string_view bytes, std::chrono::milliseconds) override {
    if (connection_->reset) throw SocketError("Connection reset by peer");
    partial_.append(bytes);
    for (auto end = partial_.find("\r\n"); end != std::string::npos; end = partial_.find("\r\n")) {
      std::string line = partial_.substr(0, end);
      partial_.erase(0, end + 2);
      server_.commands.push_back(line);
      if (connection_->closed || connection_->hung) continue;
      auto reply = server_.replies.find(CommandWord(line));
      connection_->pending += reply != server_.replies.end() ? reply->second : "500 Unknown command\r\n";
      if (server_.close_after == CommandWord(line)) connection_->closed = true;
    }
  }

  ReceiveResult Receive(std::string& buffer, std::chrono::milliseconds) override {
    if (connection_->reset) throw SocketError("Connection reset by peer");
    if (!connection_->pending.empty()) {
      buffer += connection_->pending;
      connection_->pending.clear();
      return ReceiveResult::kReceived;
    }
    return connection_->closed ? ReceiveResult::kPeerClosed : ReceiveResult::kNothingYet;
  }

  void Close() override {
    if (connection_) connection_->client_closed = true;
  }

 private:
  FakeServer& server_;
  std::shared_ptr<FakeServer::Connection> connection_;
  std::string partial_;
};

}  // namespace

FakeServer::FakeServer() {
  replies = {{"LOGIN", "200 Login OK\r\n"},
             {"VERSION", "200 1.0\r\n"},
             {"DATA", "200 230 0 230 35 0 13.6 0 00001000\r\n"},
             {"TIMEOUT", "200 0\r\n"}};
}

void FakeServer::CloseConnection() { current->closed = true; }
void FakeServer::ResetConnection() { current->reset = true; }
void FakeServer::HangConnection() { current->hung = true; }
void FakeServer::Push(const std::string& bytes) { current->pending += bytes; }

CommandClient::TransportFactory FakeServer::Factory() {
  return [this] { return std::make_unique<FakeTransport>(*this); };
}

}  // namespace vq::testing
