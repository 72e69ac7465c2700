#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/log_file_system.h"

namespace vq::testing {

// Files and folders in memory, with the failures a real disk can produce.
class FakeLogFileSystem final : public LogFileSystem {
 public:
  std::map<std::string, std::string> files;  // path → content
  std::set<std::string> folders;

  std::set<std::string> undeletable;  // Delete fails (read-only or held open)
  bool rename_fails = false;
  std::set<std::string> unopenable;        // OpenForAppend fails, as for a missing folder
  std::optional<std::size_t> short_write;  // Append writes only this many bytes
  std::optional<std::string> write_error;  // Append fails with this message

  std::vector<std::string> appends;  // the bytes of every Append call
  int opens = 0;                     // successful opens
  int open_handles = 0;              // opened and not yet closed

  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  bool Exists(const std::string& path) override;
  bool Delete(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  std::unique_ptr<LogFileHandle> OpenForAppend(const std::string& path) override;
};

}  // namespace vq::testing
