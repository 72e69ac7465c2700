#include "tools/simulator/fault_rules.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "tools/simulator/usage_error.h"

namespace vq::simulator {
namespace {

enum class Scope { kConnection, kCommand, kDiscovery };

struct ModeInfo {
  FaultMode mode;
  const char* name;
  Scope scope;
  const char* command;  // the one command a refusal is about; nullptr for the others
  const char* help;
};

constexpr ModeInfo kModes[] = {
    {FaultMode::kNoGreeting, "no-greeting", Scope::kConnection, nullptr,
     "sends no greeting line; commands are still answered"},
    {FaultMode::kHangAfterGreeting, "hang-after-greeting", Scope::kConnection, nullptr,
     "greets, then reads and logs commands but never answers"},
    {FaultMode::kLfOnly, "lf-only", Scope::kConnection, nullptr, "ends every line it sends with LF alone"},
    {FaultMode::kRefuseLogin, "refuse-login", Scope::kCommand, "LOGIN",
     "answers LOGIN \"530 Login refused\", whatever the password"},
    {FaultMode::kRefuseVersion, "refuse-version", Scope::kCommand, "VERSION",
     "answers VERSION \"550 Version not available\""},
    {FaultMode::kRefuseData, "refuse-data", Scope::kCommand, "DATA", "answers DATA \"550 Data not available\""},
    {FaultMode::kRefuseTimeout, "refuse-timeout", Scope::kCommand, "TIMEOUT",
     "answers TIMEOUT \"550 Timeout not available\""},
    {FaultMode::kInvalidCode, "invalid-code", Scope::kCommand, nullptr, "answers \"OK\", a reply without a code"},
    {FaultMode::kLongLine, "long-line", Scope::kCommand, nullptr,
     "answers one line of 20000 bytes (\"200 \" and 'x's)"},
    {FaultMode::kMultiLine, "multi-line", Scope::kCommand, nullptr,
     "puts the line \"CODE-Reply follows\" before the reply line"},
    {FaultMode::kUnaskedLines, "unasked-lines", Scope::kCommand, nullptr,
     "adds the unasked line \"250 Unasked line\" after the reply"},
    {FaultMode::kHangMidReply, "hang-mid-reply", Scope::kCommand, nullptr,
     "sends half the reply line, no line end, then nothing more"},
    {FaultMode::kCloseMidReply, "close-mid-reply", Scope::kCommand, nullptr,
     "sends half the reply line, then closes the connection"},
    {FaultMode::kCloseAfterReply, "close-after-reply", Scope::kCommand, nullptr,
     "sends the whole reply, then closes the connection"},
    {FaultMode::kReset, "reset", Scope::kCommand, nullptr,
     "answers nothing and resets the connection (linger 0: RST)"},
    {FaultMode::kDiscoveryTwice, "discovery-twice", Scope::kDiscovery, nullptr, "answers each \"Hello\" twice"},
    {FaultMode::kDiscoveryEmpty, "discovery-empty", Scope::kDiscovery, nullptr,
     "answers \"Hello\" with an empty datagram"},
    {FaultMode::kDiscoveryOversize, "discovery-oversize", Scope::kDiscovery, nullptr,
     "sends a datagram of 9000 'x's before each answer to \"Hello\""},
};

const ModeInfo& InfoOf(FaultMode mode) {
  return *std::find_if(std::begin(kModes), std::end(kModes), [&](const ModeInfo& info) { return info.mode == mode; });
}

std::string UpperCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

int ParseCount(const std::string& key, const std::string& value) {
  int count = 0;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
  if (error != std::errc() || end != value.data() + value.size() || count < 1) {
    throw UsageError("--fault: " + key + "= needs a whole number from 1 up, not \"" + value + "\"");
  }
  return count;
}

}  // namespace

bool FaultRule::AppliesToCommand(int connection, int command, const std::string& word) const {
  const ModeInfo& info = InfoOf(mode);
  if (info.scope != Scope::kCommand || !AppliesToConnection(connection) || command < after) return false;
  std::string wanted = info.command ? info.command : on;
  return wanted.empty() || wanted == UpperCase(word);
}

FaultRule ParseFaultRule(const std::string& text) {
  std::string name = text.substr(0, text.find(','));
  auto info = std::find_if(std::begin(kModes), std::end(kModes), [&](const ModeInfo& m) { return name == m.name; });
  if (info == std::end(kModes)) throw UsageError("--fault: unknown fault mode \"" + name + "\" (see --help)");
  FaultRule rule{info->mode, {}};

  for (std::size_t start = name.size(); start < text.size();) {
    std::size_t end = std::min(text.find(',', start + 1), text.size());
    std::string option = text.substr(start + 1, end - start - 1);
    start = end;
    auto equals = option.find('=');
    std::string key = option.substr(0, equals);
    std::string value = equals == std::string::npos ? std::string() : option.substr(equals + 1);
    bool allowed = info->scope == Scope::kCommand ? (key != "on" || !info->command)
                                                  : (info->scope == Scope::kConnection && key == "connections");
    if (key != "on" && key != "after" && key != "connections") {
      throw UsageError("--fault " + name + ": unknown key \"" + key + "\" (on=, after=, connections=)");
    }
    if (!allowed) throw UsageError("--fault " + name + ": " + key + "= does not apply to this mode");
    if (key == "on") {
      if (value.empty()) throw UsageError("--fault " + name + ": on= needs a command word");
      rule.on = UpperCase(value);
    } else if (key == "after") {
      rule.after = ParseCount(key, value);
    } else {
      rule.connections = ParseCount(key, value);
    }
  }
  return rule;
}

bool HasConnectionFault(const std::vector<FaultRule>& rules, FaultMode mode, int connection) {
  return std::any_of(rules.begin(), rules.end(),
                     [&](const FaultRule& rule) { return rule.mode == mode && rule.AppliesToConnection(connection); });
}

bool HasCommandFault(const std::vector<FaultRule>& rules, FaultMode mode, int connection, int command,
                     const std::string& word) {
  return std::any_of(rules.begin(), rules.end(), [&](const FaultRule& rule) {
    return rule.mode == mode && rule.AppliesToCommand(connection, command, word);
  });
}

bool HasDiscoveryFault(const std::vector<FaultRule>& rules, FaultMode mode) {
  return std::any_of(rules.begin(), rules.end(), [&](const FaultRule& rule) { return rule.mode == mode; });
}

std::string FaultModesHelp() {
  std::string help =
      "Fault modes (--fault MODE[,on=COMMAND][,after=N][,connections=N], repeatable):\n"
      "  on=COMMAND     only the replies to this command word (refuse-* name theirs)\n"
      "  after=N        from the Nth command of a connection on (1: from the first)\n"
      "  connections=N  only on the first N connections since start; later ones behave\n"
      "Whole connections (connections= only):\n";
  auto list = [&](Scope scope) {
    for (const ModeInfo& info : kModes) {
      if (info.scope != scope) continue;
      std::string name = info.name;
      help += "  " + name + std::string(name.size() < 20 ? 20 - name.size() : 1, ' ') + info.help + "\n";
    }
  };
  list(Scope::kConnection);
  help += "Replies to commands (on=, after=, connections=; several may combine):\n";
  list(Scope::kCommand);
  help += "Discovery (no keys):\n";
  list(Scope::kDiscovery);
  return help;
}

}  // namespace vq::simulator
