#include "tools/simulator/session.h"

#include <algorithm>
#include <cctype>

namespace vq::simulator {
namespace {

constexpr std::size_t kLongLineLength = 20000;

std::string UpperCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

}  // namespace

Session::Session(const SessionSettings& settings, int connection)
    : settings_(settings),
      connection_(connection),
      silent_(HasConnectionFault(settings.faults, FaultMode::kHangAfterGreeting, connection)) {}

std::optional<std::string> Session::Greeting() const {
  if (HasConnectionFault(settings_.faults, FaultMode::kNoGreeting, connection_)) return std::nullopt;
  return kGreeting;
}

const char* Session::LineEnd() const {
  return HasConnectionFault(settings_.faults, FaultMode::kLfOnly, connection_) ? "\n" : "\r\n";
}

bool Session::Fault(FaultMode mode, const std::string& word) const {
  return HasCommandFault(settings_.faults, mode, connection_, commands_, word);
}

SessionOutput Session::Answer(const std::string& line, const UpsSnapshot& ups) {
  ++commands_;
  SessionOutput output;
  if (silent_) return output;

  std::size_t space = line.find(' ');
  std::string word = line.substr(0, space);
  std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
  output.lines = Reply(word, argument, ups);

  if (Fault(FaultMode::kInvalidCode, word)) output.lines = {"OK"};
  if (Fault(FaultMode::kLongLine, word)) output.lines = {"200 " + std::string(kLongLineLength - 4, 'x')};
  if (Fault(FaultMode::kMultiLine, word)) {
    output.lines.insert(output.lines.begin(), output.lines.front().substr(0, 3) + "-Reply follows");
  }

  if (Fault(FaultMode::kReset, word)) {
    output.lines.clear();
    output.then = SessionOutput::Then::kReset;
  } else if (Fault(FaultMode::kHangMidReply, word) || Fault(FaultMode::kCloseMidReply, word)) {
    const std::string& first = output.lines.front();
    output.partial = first.substr(0, (first.size() + 1) / 2);
    output.lines.clear();
    output.then = Fault(FaultMode::kHangMidReply, word) ? SessionOutput::Then::kHang : SessionOutput::Then::kClose;
  } else {
    if (Fault(FaultMode::kUnaskedLines, word)) output.lines.push_back("250 Unasked line");
    if (Fault(FaultMode::kCloseAfterReply, word)) output.then = SessionOutput::Then::kClose;
  }
  if (output.then == SessionOutput::Then::kHang) silent_ = true;
  return output;
}

std::vector<std::string> Session::Reply(const std::string& word, const std::string& argument,
                                        const UpsSnapshot& ups) {
  std::string command = UpperCase(word);
  if (command == "LOGIN") {
    if (Fault(FaultMode::kRefuseLogin, word)) return {"530 Login refused"};
    logged_in_ = !settings_.password || argument == *settings_.password;
    return {logged_in_ ? "200 Logged in" : "530 Login incorrect"};
  }
  bool known = command == "VERSION" || command == "DATA" || command == "TIMEOUT";
  if (!known) return {"500 Unknown command: " + word};
  if (settings_.password && !logged_in_) return {"530 Not logged in"};
  if (command == "VERSION") {
    if (Fault(FaultMode::kRefuseVersion, word)) return {"550 Version not available"};
    return {"200 " + settings_.firmware};
  }
  if (command == "DATA") {
    if (Fault(FaultMode::kRefuseData, word)) return {"550 Data not available"};
    return {"200 " + ups.record};
  }
  if (Fault(FaultMode::kRefuseTimeout, word)) return {"550 Timeout not available"};
  return {"200 " + ups.timeout};
}

}  // namespace vq::simulator
