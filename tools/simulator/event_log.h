#pragma once

#include <chrono>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

namespace vq::simulator {

// The simulator's record of what happened, one line per event, written and
// flushed at once so that a test can read what the client sent and when:
//   <UTC time, ms> <source> <event>[ <text>]
//   2026-12-11T13:45:01.234Z client#1 command LOGIN secret
// Safe to use from every connection's thread.
class EventLog {
 public:
  // `path` empty: no file. Throws std::runtime_error when the file cannot be opened.
  EventLog(const std::string& path, bool to_stdout);

  void Write(std::string_view source, std::string_view event, std::string_view text = {});

 private:
  std::mutex mutex_;
  std::ofstream file_;
  bool to_stdout_;
};

// "2026-12-11T13:45:01.234Z".
std::string FormatUtcTime(std::chrono::system_clock::time_point time);

// Keeps each event on one line: bytes below 0x20, 0x7F and the backslash are
// written as \xHH.
std::string EscapeLogText(std::string_view text);

}  // namespace vq::simulator
