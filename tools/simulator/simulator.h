#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tools/simulator/event_log.h"
#include "tools/simulator/scenario.h"
#include "tools/simulator/session.h"
#include "tools/simulator/simulator_options.h"
#include "tools/simulator/sockets.h"

namespace vq::simulator {

// The UPS server: the listening socket with a thread per client, the discovery
// socket, and the scenario clock that both read. Binding happens in the
// constructor, so a port in use shows up before anything is reported ready.
class Simulator {
 public:
  // Throws SocketError ("cannot listen on 127.0.0.1:9706 (TCP): Address already in use").
  Simulator(const SimulatorOptions& options, Scenario scenario, EventLog& log);
  ~Simulator();

  Endpoint CommandEndpoint() const { return listener_->Local(); }
  bool HasDiscovery() const { return discovery_ != nullptr; }
  Endpoint DiscoveryEndpoint() const { return discovery_->Local(); }

  // Serves until `stop_reason` gives a non-empty reason (asked every 20 ms), then
  // ends every connection and returns that reason.
  std::string Run(const std::function<std::string()>& stop_reason);

 private:
  struct Client {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  void LogStep();
  void JoinThreads();
  void AcceptLoop();
  void DiscoveryLoop();
  void Serve(ServerConnection& connection, int number);
  // Answers one command line; returns why the connection ended, or empty when it goes on.
  std::string Answer(ServerConnection& connection, Session& session, const std::string& source,
                     const std::string& line);
  void AnswerHello(const Datagram& datagram);
  std::string AnnouncedAddress(const Endpoint& asker) const;
  std::chrono::duration<double> SinceStart() const { return std::chrono::steady_clock::now() - start_; }

  const SimulatorOptions& options_;
  const Scenario scenario_;
  EventLog& log_;
  SessionSettings session_settings_;
  std::unique_ptr<Listener> listener_;
  std::unique_ptr<DatagramSocket> discovery_;
  std::chrono::steady_clock::time_point start_;
  std::size_t last_step_ = 0;

  std::atomic<bool> stopping_{false};
  std::thread accept_thread_;
  std::thread discovery_thread_;
  std::vector<Client> clients_;  // touched only by the accept thread, and after it ended
};

}  // namespace vq::simulator
