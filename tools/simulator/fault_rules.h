#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vq::simulator {

// The ways the simulator can misbehave on purpose, so tests can see how the client
// copes. FaultModesHelp() says what each one does.
enum class FaultMode {
  kNoGreeting,
  kHangAfterGreeting,
  kLfOnly,
  kRefuseLogin,
  kRefuseVersion,
  kRefuseData,
  kRefuseTimeout,
  kInvalidCode,
  kLongLine,
  kMultiLine,
  kUnaskedLines,
  kHangMidReply,
  kCloseMidReply,
  kCloseAfterReply,
  kReset,
  kDiscoveryTwice,
  kDiscoveryEmpty,
  kDiscoveryOversize,
};

// One --fault option: a mode and where it applies,
//   MODE[,on=COMMAND][,after=N][,connections=N]
struct FaultRule {
  FaultMode mode;
  std::string on;       // command word it is limited to (upper case); empty: every command
  int after = 1;        // applies from this command of a connection on (1: the first)
  int connections = 0;  // applies to this many first connections; 0: to all

  bool AppliesToConnection(int connection) const { return connections == 0 || connection <= connections; }
  bool AppliesToCommand(int connection, int command, const std::string& word) const;
};

// Throws UsageError naming what is wrong.
FaultRule ParseFaultRule(const std::string& text);

// Whether a rule with this mode applies to the connection as a whole (from its
// start) or to the given command of it.
bool HasConnectionFault(const std::vector<FaultRule>& rules, FaultMode mode, int connection);
bool HasCommandFault(const std::vector<FaultRule>& rules, FaultMode mode, int connection, int command,
                     const std::string& word);
bool HasDiscoveryFault(const std::vector<FaultRule>& rules, FaultMode mode);

// The fault modes and their keys, for --help.
std::string FaultModesHelp();

}  // namespace vq::simulator
