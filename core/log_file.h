#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "core/error_box.h"
#include "core/event_log.h"
#include "core/event_type.h"
#include "core/local_clock.h"
#include "core/log_file_system.h"
#include "core/registry.h"

namespace vq {

// A log larger than this (strictly) is moved to its backup before the next line.
inline constexpr std::uint64_t kLogSizeLimit = 1048576;
// The settings value that names the log file for both programs.
inline constexpr char kLogFileValue[] = "LogFile";
inline constexpr char kDesktopLogName[] = "VQCM.log";
inline constexpr char kServiceLogName[] = "VQM.log";

// "dd.mm.yyyy hh:mm:ss", a TAB and the message, with every CR and LF made a space
// so that a message of several lines stays one line of the log.
std::string FormatLogLine(const LocalTime& time, char time_separator, const std::string& message);

// The log's path with its extension replaced by ".bak", or ".bak" appended when
// it has none. A log that is itself named "*.bak" gets ".bak" appended, so that
// it is never its own backup.
std::string BackupPath(const std::string& log_path);

// The path in "LogFile", which is first written as `default_path` when missing.
// Errors of the settings store are not caught.
std::string ReadLogPath(SettingsRegistry& registry, const std::string& default_path);

// What became of one line.
struct LogAppendResult {
  enum class Outcome { kWritten, kBackupNotDeleted, kNotRenamed, kNotOpened, kShortWrite, kWriteRaised };
  Outcome outcome = Outcome::kWritten;
  std::string error;  // kWriteRaised: the error's own message
};

// Rotates a log that has grown past the limit, then appends the line and CR LF
// with one write. The file is closed again before this returns.
LogAppendResult AppendLogLine(LogFileSystem& files, const std::string& path, const std::string& line);

// What both programs' writers share: where the log is and how a line is made.
// Nothing is cached: every line reads "LogFile" and opens the file afresh, so
// both programs can write one log and a user may move or delete it at any time.
class LogWriter {
 public:
  // The "Programm Path" setting as last loaded (ending in a backslash): the
  // folder of the default log. Empty until then, giving a bare file name.
  void SetProgramPath(const std::string& program_path);

 protected:
  LogWriter(SettingsRegistry& registry, LogFileSystem& files, LocalClock& clock, std::string default_name);
  ~LogWriter() = default;

  std::string BuildLine(const std::string& message);
  std::string LogPath();

  LogFileSystem& files_;

 private:
  SettingsRegistry& registry_;
  LocalClock& clock_;
  const std::string default_name_;
  std::mutex program_path_mutex_;  // the service sets it on another thread than it logs from
  std::string program_path_;
};

// The desktop monitor's `WriteLog`: failures of the log show as a modal error box.
class DesktopLogWriter final : public LogWriter {
 public:
  DesktopLogWriter(SettingsRegistry& registry, LogFileSystem& files, LocalClock& clock, ErrorBox& error_box);

  // Takes no lock: the error box runs a message loop in which a timer tick may
  // log again on the same thread.
  void WriteLog(const std::string& message);

 private:
  ErrorBox& error_box_;
};

// The service's `WriteLog`: failures, the log's path and copies of error lines go
// to the event log. Calls from the service's threads are taken one at a time.
class ServiceLogWriter final : public LogWriter {
 public:
  ServiceLogWriter(SettingsRegistry& registry, LogFileSystem& files, LocalClock& clock, EventLog& event_log);

  void WriteLog(const std::string& message, EventType type);

 private:
  EventLog& event_log_;
  std::mutex write_mutex_;
};

}  // namespace vq
