#include "tools/simulator/event_log.h"

#include <cstdio>
#include <iostream>
#include <stdexcept>

namespace vq::simulator {

EventLog::EventLog(const std::string& path, bool to_stdout) : to_stdout_(to_stdout) {
  if (path.empty()) return;
  file_.open(path, std::ios::app | std::ios::binary);
  if (!file_) throw std::runtime_error("cannot open the log file " + path);
}

void EventLog::Write(std::string_view source, std::string_view event, std::string_view text) {
  std::string line = FormatUtcTime(std::chrono::system_clock::now());
  line.append(" ").append(source).append(" ").append(event);
  if (!text.empty()) line.append(" ").append(EscapeLogText(text));
  line += '\n';

  std::lock_guard lock(mutex_);
  if (file_.is_open()) file_.write(line.data(), static_cast<std::streamsize>(line.size())).flush();
  if (to_stdout_) std::cout.write(line.data(), static_cast<std::streamsize>(line.size())).flush();
}

std::string FormatUtcTime(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  auto milliseconds_since_epoch = floor<milliseconds>(time);
  auto day = floor<days>(milliseconds_since_epoch);
  year_month_day date{day};
  hh_mm_ss clock{milliseconds_since_epoch - day};
  char text[32];
  std::snprintf(text, sizeof(text), "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
  return text;
}

std::string EscapeLogText(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '\\') {
      char hex[5];
      std::snprintf(hex, sizeof(hex), "\\x%02X", byte);
      escaped += hex;
    } else {
      escaped += c;
    }
  }
  return escaped;
}

}  // namespace vq::simulator
