#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/log_file_system.h"
#include "core/system_error.h"

namespace vq {
namespace {

// POSIX has no share modes: nothing keeps a reader out while the log is open.
// O_APPEND makes each write(2) one atomic append, so writers never overwrite
// each other's lines.
class PosixLogFileHandle final : public LogFileHandle {
 public:
  explicit PosixLogFileHandle(int fd) : fd_(fd) {}
  ~PosixLogFileHandle() override { close(fd_); }
  PosixLogFileHandle(const PosixLogFileHandle&) = delete;
  PosixLogFileHandle& operator=(const PosixLogFileHandle&) = delete;

  std::size_t Append(std::string_view bytes) override {
    ssize_t written;
    do {
      written = write(fd_, bytes.data(), bytes.size());
    } while (written < 0 && errno == EINTR);  // interrupted before anything was written
    if (written < 0) throw LogFileError(SystemErrorMessage(errno));
    return static_cast<std::size_t>(written);
  }

 private:
  int fd_;
};

class PosixLogFileSystem final : public LogFileSystem {
 public:
  std::optional<std::uint64_t> FileSize(const std::string& path) override {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
  }

  bool Exists(const std::string& path) override {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
  }

  // unlink(2) refuses folders, even for root.
  bool Delete(const std::string& path) override { return unlink(path.c_str()) == 0; }

  bool Rename(const std::string& from, const std::string& to) override {
    return std::rename(from.c_str(), to.c_str()) == 0;
  }

  std::unique_ptr<LogFileHandle> OpenForAppend(const std::string& path) override {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixLogFileHandle>(fd);
  }
};

}  // namespace

std::unique_ptr<LogFileSystem> CreateLogFileSystem() { return std::make_unique<PosixLogFileSystem>(); }

}  // namespace vq
