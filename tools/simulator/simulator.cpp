#include "tools/simulator/simulator.h"

namespace vq::simulator {
namespace {

constexpr auto kPollStep = std::chrono::milliseconds(20);
constexpr auto kSocketWait = std::chrono::milliseconds(50);
constexpr auto kSendTimeout = std::chrono::milliseconds(5000);
// A client that sends this much without a line end is not speaking the protocol.
constexpr std::size_t kMaxCommandLength = 65536;
constexpr std::size_t kOversizeDatagram = 9000;

std::unique_ptr<Listener> ListenAt(const Endpoint& local) {
  try {
    return Listen(local);
  } catch (const SocketError& error) {
    throw SocketError("cannot listen on " + local.ToString() + " (TCP): " + error.what());
  }
}

std::unique_ptr<DatagramSocket> BindDiscoveryAt(const Endpoint& local) {
  try {
    return BindDatagram(local);
  } catch (const SocketError& error) {
    throw SocketError("cannot bind the discovery socket " + local.ToString() + " (UDP): " + error.what());
  }
}

}  // namespace

Simulator::Simulator(const SimulatorOptions& options, Scenario scenario, EventLog& log)
    : options_(options),
      scenario_(std::move(scenario)),
      log_(log),
      session_settings_{options.password, options.firmware, options.faults},
      listener_(ListenAt(Endpoint{options.bind, options.port})),
      discovery_(options.discovery ? BindDiscoveryAt(Endpoint{options.bind, options.discovery_port}) : nullptr),
      start_(std::chrono::steady_clock::now()) {}

Simulator::~Simulator() { JoinThreads(); }

void Simulator::JoinThreads() {
  stopping_ = true;
  if (accept_thread_.joinable()) accept_thread_.join();
  if (discovery_thread_.joinable()) discovery_thread_.join();
  // The accept thread has ended, so nobody adds clients any more.
  for (Client& client : clients_) client.thread.join();
  clients_.clear();
}

std::string Simulator::Run(const std::function<std::string()>& stop_reason) {
  accept_thread_ = std::thread([this] { AcceptLoop(); });
  if (discovery_) discovery_thread_ = std::thread([this] { DiscoveryLoop(); });
  std::string reason;
  while ((reason = stop_reason()).empty()) {
    LogStep();
    std::this_thread::sleep_for(kPollStep);
  }
  JoinThreads();
  return reason;
}

void Simulator::LogStep() {
  UpsSnapshot now = scenario_.At(SinceStart());
  if (now.step == last_step_) return;
  last_step_ = now.step;
  log_.Write("simulator", "step", std::to_string(now.step) + " " + std::string(PowerStateName(now.state)));
}

void Simulator::AcceptLoop() {
  int connections = 0;
  while (!stopping_) {
    std::unique_ptr<ServerConnection> connection;
    try {
      connection = listener_->Accept(kSocketWait);
    } catch (const std::exception& error) {
      log_.Write("simulator", "error", std::string("accept: ") + error.what());
      std::this_thread::sleep_for(kSocketWait);
    }
    if (!connection) continue;

    int number = ++connections;
    auto done = std::make_shared<std::atomic<bool>>(false);
    // Finished client threads are joined here, so a long run does not gather them.
    std::erase_if(clients_, [](Client& client) {
      if (!*client.done) return false;
      client.thread.join();
      return true;
    });
    clients_.push_back(Client{std::thread([this, number, done, connection = std::move(connection)] {
                                Serve(*connection, number);
                                *done = true;
                              }),
                              done});
  }
}

void Simulator::Serve(ServerConnection& connection, int number) {
  const std::string source = "client#" + std::to_string(number);
  log_.Write(source, "connect", connection.Peer().ToString());
  Session session(session_settings_, number);
  std::string reason;
  try {
    if (auto greeting = session.Greeting()) {
      connection.Send(*greeting + session.LineEnd(), kSendTimeout);
      log_.Write(source, "sent", *greeting);
    }
    std::string buffer;
    while (reason.empty()) {
      if (stopping_) {
        reason = "simulator stopping";
        break;
      }
      bool peer_closed = connection.Receive(buffer, kSocketWait) == ServerConnection::ReceiveResult::kPeerClosed;
      // Lines that arrived before the client closed its side are still answered.
      for (auto lf = buffer.find('\n'); lf != std::string::npos && reason.empty(); lf = buffer.find('\n')) {
        std::string line = buffer.substr(0, lf > 0 && buffer[lf - 1] == '\r' ? lf - 1 : lf);
        buffer.erase(0, lf + 1);
        reason = Answer(connection, session, source, line);
      }
      if (!reason.empty()) break;
      if (peer_closed) {
        reason = "client closed";
      } else if (buffer.size() > kMaxCommandLength) {
        connection.Close();
        reason = "error: command line longer than " + std::to_string(kMaxCommandLength) + " bytes";
      }
    }
  } catch (const std::exception& error) {
    reason = std::string("error: ") + error.what();
  }
  log_.Write(source, "disconnect", reason);
}

std::string Simulator::Answer(ServerConnection& connection, Session& session, const std::string& source,
                              const std::string& line) {
  log_.Write(source, "command", line);
  SessionOutput output = session.Answer(line, scenario_.At(SinceStart()));
  std::string bytes;
  for (const std::string& reply_line : output.lines) bytes += reply_line + session.LineEnd();
  bytes += output.partial;
  if (!bytes.empty()) connection.Send(bytes, kSendTimeout);
  for (const std::string& reply_line : output.lines) log_.Write(source, "sent", reply_line);
  if (!output.partial.empty()) log_.Write(source, "partial", output.partial);

  switch (output.then) {
    case SessionOutput::Then::kContinue:
      return {};
    case SessionOutput::Then::kHang:
      log_.Write(source, "hang");
      return {};
    case SessionOutput::Then::kClose:
      connection.Close();
      return "server closed";
    case SessionOutput::Then::kReset:
      connection.Reset();
      return "server reset";
  }
  return {};
}

void Simulator::DiscoveryLoop() {
  while (!stopping_) {
    try {
      if (auto datagram = discovery_->Receive(kSocketWait)) AnswerHello(*datagram);
    } catch (const std::exception& error) {
      log_.Write("discovery", "error", error.what());
      std::this_thread::sleep_for(kSocketWait);
    }
  }
}

void Simulator::AnswerHello(const Datagram& datagram) {
  if (datagram.bytes != "Hello") {
    log_.Write("discovery", "ignored", datagram.from.ToString() + " " + std::to_string(datagram.bytes.size()) + " bytes");
    return;
  }
  log_.Write("discovery", "hello", datagram.from.ToString());
  const auto& faults = options_.faults;
  auto send = [&](const std::string& bytes) {
    discovery_->SendTo(bytes, datagram.from);
    log_.Write("discovery", "answer", bytes.size() > 64 ? std::to_string(bytes.size()) + " bytes" : bytes);
  };
  if (HasDiscoveryFault(faults, FaultMode::kDiscoveryOversize)) send(std::string(kOversizeDatagram, 'x'));
  std::string answer = HasDiscoveryFault(faults, FaultMode::kDiscoveryEmpty) ? "" : AnnouncedAddress(datagram.from);
  send(answer);
  if (HasDiscoveryFault(faults, FaultMode::kDiscoveryTwice)) send(answer);
}

std::string Simulator::AnnouncedAddress(const Endpoint& asker) const {
  if (options_.announce) return *options_.announce;
  Endpoint bound{options_.bind, 0};
  if (bound.address != Ipv4Address{0, 0, 0, 0}) return bound.AddressText();
  auto facing = LocalAddressFacing(asker);
  return facing ? Endpoint{*facing, 0}.AddressText() : bound.AddressText();
}

}  // namespace vq::simulator
