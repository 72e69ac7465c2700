#include "core/log_file.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "core/cp1251.h"

namespace vq {
namespace {

constexpr char kDesktopBackupFailed[] = "Can Not delete \".Bak\" Log-файла";
constexpr char kDesktopOpenFailed[] = "Can Not open file for write: ";
constexpr char kDesktopShortWrite[] = "Write Error in File: ";
constexpr char kServiceDeleteFailed[] = "Не могу удалить \".Bak\" Log-файла";
constexpr char kServiceRenameFailed[] = "Не могу переименовать Log-файл в \".Bak\"";
constexpr char kServiceOpenFailed[] = "Не могу открыть на запись файл: ";
constexpr char kServiceWriteFailed[] = "Ошибка записи в файл: ";
constexpr char kServiceLogFileEntry[] = "Log file=";

void AppendTwoDigits(std::string& text, int value) {
  text += static_cast<char>('0' + value / 10 % 10);
  text += static_cast<char>('0' + value % 10);
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

std::string FormatLogLine(const LocalTime& time, char time_separator, const std::string& message) {
  std::string line;
  line.reserve(20 + message.size());
  AppendTwoDigits(line, time.day);
  line += '.';
  AppendTwoDigits(line, time.month);
  line += '.';
  AppendTwoDigits(line, time.year / 100);
  AppendTwoDigits(line, time.year);
  line += ' ';
  AppendTwoDigits(line, time.hour);
  line += time_separator;
  AppendTwoDigits(line, time.minute);
  line += time_separator;
  AppendTwoDigits(line, time.second);
  line += '\t';
  line += message;
  std::replace(line.begin(), line.end(), '\r', ' ');
  std::replace(line.begin(), line.end(), '\n', ' ');
  return line;
}

std::string BackupPath(const std::string& log_path) {
  std::size_t dot = log_path.find_last_of(".\\/:");
  std::string stem = dot != std::string::npos && log_path[dot] == '.' ? log_path.substr(0, dot) : log_path;
  std::string backup = stem + ".bak";
  return EqualsIgnoringCase(backup, log_path) ? log_path + ".bak" : backup;
}

std::string ReadLogPath(SettingsRegistry& registry, const std::string& default_path) {
  std::unique_ptr<SettingsKey> key = registry.OpenSettingsKey();
  if (!key->ValueExists(kLogFileValue)) key->WriteString(kLogFileValue, default_path);
  return key->ReadString(kLogFileValue);
}

LogAppendResult AppendLogLine(LogFileSystem& files, const std::string& path, const std::string& line) {
  using Outcome = LogAppendResult::Outcome;
  if (std::optional<std::uint64_t> size = files.FileSize(path); size && *size > kLogSizeLimit) {
    std::string backup = BackupPath(path);
    if (files.Exists(backup) && !files.Delete(backup)) return {Outcome::kBackupNotDeleted, {}};
    if (!files.Rename(path, backup)) return {Outcome::kNotRenamed, {}};
    // The open below starts the new log: creating it empty first, with truncation,
    // could wipe a line that the other program appended since the rename.
  }

  std::unique_ptr<LogFileHandle> file = files.OpenForAppend(path);
  if (!file) return {Outcome::kNotOpened, {}};
  std::string bytes = line + "\r\n";
  try {
    if (file->Append(bytes) != bytes.size()) return {Outcome::kShortWrite, {}};
  } catch (const std::exception& error) {
    return {Outcome::kWriteRaised, error.what()};
  }
  return {Outcome::kWritten, {}};
}

LogWriter::LogWriter(SettingsRegistry& registry, LogFileSystem& files, LocalClock& clock, std::string default_name)
    : files_(files), registry_(registry), clock_(clock), default_name_(std::move(default_name)) {}

void LogWriter::SetProgramPath(const std::string& program_path) {
  std::lock_guard lock(program_path_mutex_);
  program_path_ = program_path;
}

std::string LogWriter::BuildLine(const std::string& message) {
  return FormatLogLine(clock_.Now(), clock_.TimeSeparator(), message);
}

std::string LogWriter::LogPath() {
  std::string default_path;
  {
    std::lock_guard lock(program_path_mutex_);
    default_path = program_path_ + default_name_;
  }
  return ReadLogPath(registry_, default_path);
}

DesktopLogWriter::DesktopLogWriter(SettingsRegistry& registry, LogFileSystem& files, LocalClock& clock,
                                   ErrorBox& error_box)
    : LogWriter(registry, files, clock, kDesktopLogName), error_box_(error_box) {}

void DesktopLogWriter::WriteLog(const std::string& message) {
  std::string line = BuildLine(message);
  std::string path = LogPath();
  LogAppendResult result = AppendLogLine(files_, path, line);
  using Outcome = LogAppendResult::Outcome;
  switch (result.outcome) {
    case Outcome::kWritten:
      return;
    case Outcome::kBackupNotDeleted:
    case Outcome::kNotRenamed:
      error_box_.Show(Cp1251FromUtf8(kDesktopBackupFailed));
      return;
    case Outcome::kNotOpened:
      error_box_.Show(kDesktopOpenFailed + path);
      return;
    case Outcome::kShortWrite:
      error_box_.Show(kDesktopShortWrite + path);
      return;
    case Outcome::kWriteRaised:
      error_box_.Show(result.error);
      return;
  }
}

ServiceLogWriter::ServiceLogWriter(SettingsRegistry& registry, LogFileSystem& files, LocalClock& clock,
                                   EventLog& event_log)
    : LogWriter(registry, files, clock, kServiceLogName), event_log_(event_log) {}

void ServiceLogWriter::WriteLog(const std::string& message, EventType type) {
  std::lock_guard lock(write_mutex_);
  std::string line = BuildLine(message);
  std::string path = LogPath();
  event_log_.Write(EventType::kInformation, kServiceLogFileEntry + path);
  LogAppendResult result = AppendLogLine(files_, path, line);
  using Outcome = LogAppendResult::Outcome;
  switch (result.outcome) {
    case Outcome::kWritten:
      break;
    case Outcome::kBackupNotDeleted:
    case Outcome::kNotRenamed:
      // The line is not in the file; the event log keeps it, with its own type.
      event_log_.Write(
          EventType::kError,
          Cp1251FromUtf8(result.outcome == Outcome::kBackupNotDeleted ? kServiceDeleteFailed : kServiceRenameFailed));
      event_log_.Write(type, line);
      return;
    case Outcome::kNotOpened:
      event_log_.Write(EventType::kError, Cp1251FromUtf8(kServiceOpenFailed) + path);
      break;
    case Outcome::kShortWrite:
      event_log_.Write(EventType::kError, Cp1251FromUtf8(kServiceWriteFailed) + path);
      break;
    case Outcome::kWriteRaised:
      event_log_.Write(EventType::kError, Cp1251FromUtf8(kServiceWriteFailed) + path);
      event_log_.Write(EventType::kError, result.error);
      break;
  }
  if (type == EventType::kError) event_log_.Write(EventType::kError, line);
}

}  // namespace vq
