#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vq {

// A write to the log file that the operating system refused; the message is the
// system's own description of the error.
class LogFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The log file, open for appending; destroying it closes the file.
class LogFileHandle {
 public:
  virtual ~LogFileHandle() = default;
  // Appends `bytes` at the end of the file with one write call and returns how
  // many bytes that call wrote. Throws LogFileError when the write fails.
  virtual std::size_t Append(std::string_view bytes) = 0;
};

// The few file operations the log writer needs. Paths are single-byte (ANSI)
// strings, as the "LogFile" setting holds them.
// Implementations: log_file_system_win.cpp, log_file_system_posix.cpp.
class LogFileSystem {
 public:
  virtual ~LogFileSystem() = default;
  // The size the directory lists for a file; nothing for a folder or a missing path.
  virtual std::optional<std::uint64_t> FileSize(const std::string& path) = 0;
  // Whether anything (file or folder) has this name.
  virtual bool Exists(const std::string& path) = 0;
  // Deletes a file; false when it cannot (read-only, held open, a folder...).
  virtual bool Delete(const std::string& path) = 0;
  // Renames within one folder; false on failure.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  // Opens for writing, creating the file when missing, sharing it with other
  // writers only; nullptr when it cannot be opened (a folder, a missing folder...).
  virtual std::unique_ptr<LogFileHandle> OpenForAppend(const std::string& path) = 0;
};

std::unique_ptr<LogFileSystem> CreateLogFileSystem();

}  // namespace vq
