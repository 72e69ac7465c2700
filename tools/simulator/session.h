#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/simulator/fault_rules.h"
#include "tools/simulator/scenario.h"

namespace vq::simulator {

inline constexpr char kGreeting[] = "220 Vequor UPS simulator ready";

struct SessionSettings {
  // The password LOGIN must give; without one, every LOGIN is accepted and none is needed.
  std::optional<std::string> password;
  std::string firmware;
  std::vector<FaultRule> faults;
};

// What the server sends in answer to one command, and what it does next.
struct SessionOutput {
  enum class Then { kContinue, kHang, kClose, kReset };
  std::vector<std::string> lines;  // whole lines, without their line end
  std::string partial;             // bytes of a line cut short, sent after the lines
  Then then = Then::kContinue;
};

// The server's half of the command protocol on one connection: the greeting, the
// login state, one reply per command line, and the fault modes that bend them.
// Knows nothing of sockets, so every rule can be seen in one place.
class Session {
 public:
  // `connection` counts the connections since the simulator started, from 1.
  Session(const SessionSettings& settings, int connection);

  // The greeting line, or nullopt under no-greeting.
  std::optional<std::string> Greeting() const;
  // "\r\n", or "\n" under lf-only.
  const char* LineEnd() const;

  // Answers one command line, given without its line end; `ups` is the UPS now.
  SessionOutput Answer(const std::string& line, const UpsSnapshot& ups);

 private:
  std::vector<std::string> Reply(const std::string& word, const std::string& argument, const UpsSnapshot& ups);
  bool Fault(FaultMode mode, const std::string& word) const;

  const SessionSettings& settings_;
  int connection_;
  int commands_ = 0;
  bool logged_in_ = false;
  bool silent_ = false;  // after a hang: commands are read and logged, never answered
};

}  // namespace vq::simulator
