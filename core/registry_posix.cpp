#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "core/reg_file.h"
#include "core/registry.h"
#include "core/registry_value.h"

namespace vq {
namespace {

// Writers of the same file take turns; a holder only reads, writes and syncs one
// small file, so a wait this long means something is wrong.
constexpr std::chrono::milliseconds kLockTimeout{5000};
constexpr std::chrono::milliseconds kLockRetry{10};
constexpr mode_t kNewFileMode = 0644;

// Owns one file descriptor.
class ScopedFd {
 public:
  explicit ScopedFd(int fd = -1) : fd_(fd) {}
  ~ScopedFd() {
    if (fd_ >= 0) close(fd_);
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now and tells whether the close succeeded, which a written file needs.
  bool Close() {
    const int fd = std::exchange(fd_, -1);
    return fd < 0 || close(fd) == 0;
  }

 private:
  int fd_;
};

enum class ReadStatus { kRead, kMissing, kFailed };

ReadStatus ReadWholeFile(const std::string& path, std::string& text) {
  ScopedFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return errno == ENOENT ? ReadStatus::kMissing : ReadStatus::kFailed;
  text.clear();
  char buffer[4096];
  for (;;) {
    const ssize_t count = read(fd.get(), buffer, sizeof(buffer));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return ReadStatus::kFailed;
    if (count == 0) return ReadStatus::kRead;
    text.append(buffer, static_cast<std::size_t>(count));
  }
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t count = write(fd, text.data() + done, text.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    done += static_cast<std::size_t>(count);
  }
  return true;
}

// The folder of the settings file, held open and locked while one writer reads,
// changes and replaces the file, so that two writers never lose each other's values.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder) : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (!fd_.valid()) return;
    const auto deadline = std::chrono::steady_clock::now() + kLockTimeout;
    while (flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
      if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) return;
      std::this_thread::sleep_for(kLockRetry);
    }
    locked_ = true;
  }

  bool locked() const { return locked_; }
  // Makes a rename in the folder durable.
  bool SyncFolder() const { return fsync(fd_.get()) == 0; }

 private:
  ScopedFd fd_;
  bool locked_ = false;
};

// The settings file as one whole: the new text goes to a temporary file beside
// it, is synced and then renamed over the old one, so that a reader or a crash
// finds either the old text or the new one, never a part.
class SettingsFile {
 public:
  explicit SettingsFile(std::string path) : path_(std::move(path)) {
    std::error_code error;
    // Writes go to what a symbolic link names, so the link stays in place.
    if (std::filesystem::is_symlink(path_, error)) {
      const auto target = std::filesystem::weakly_canonical(path_, error);
      if (!error) path_ = target.string();
    }
    const std::filesystem::path parent = std::filesystem::path(path_).parent_path();
    folder_ = parent.empty() ? "." : parent.string();
  }

  ReadStatus Read(std::string& text) const { return ReadWholeFile(path_, text); }

  // Reads the file afresh, lets `change` edit it and writes it back when the
  // text changed. False on any failure, which leaves the file as it was.
  bool Update(const std::function<bool(RegFile&)>& change) const {
    const FolderLock lock(folder_);
    if (!lock.locked()) return false;
    std::string old_text;
    if (Read(old_text) == ReadStatus::kFailed) return false;
    RegFile file(old_text);
    if (!change(file)) return false;
    const std::string new_text = file.Text();
    return new_text == old_text || (Replace(new_text) && lock.SyncFolder());
  }

  // Makes the folder when it is missing, as the registry makes a missing key.
  bool MakeFolder() const {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    return !error;
  }

 private:
  bool Replace(const std::string& text) const {
    std::string temporary = folder_ + "/." + std::filesystem::path(path_).filename().string() + ".XXXXXX";
    ScopedFd fd(mkstemp(temporary.data()));
    if (!fd.valid()) return false;
    struct stat old_status {};
    const mode_t mode = stat(path_.c_str(), &old_status) == 0 ? (old_status.st_mode & 07777) : kNewFileMode;
    const bool written = fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), text) && fsync(fd.get()) == 0;
    if (fd.Close() && written && rename(temporary.c_str(), path_.c_str()) == 0) return true;
    unlink(temporary.c_str());
    return false;
  }

  std::string path_;
  std::string folder_;
};

// The settings key in its file. Every call reads the file afresh and every
// write replaces it at once, so another key, open now or later, sees each write,
// as in the registry. A file that can be neither read nor created leaves the key
// unopened: it holds no values and every write fails.
class FileSettingsKey final : public SettingsKey {
 public:
  explicit FileSettingsKey(const std::string& path) : file_(path) {
    std::string text;
    switch (file_.Read(text)) {
      case ReadStatus::kRead:
        opened_ = true;
        break;
      case ReadStatus::kMissing:
        opened_ = file_.MakeFolder() && file_.Update([](RegFile& file) {
          file.EnsureKey();
          return true;
        });
        break;
      case ReadStatus::kFailed:
        break;
    }
  }

  bool ValueExists(const std::string& name) override { return Find(name).has_value(); }

  std::string ReadString(const std::string& name) override { return ReadStringValue(name, Stored(name)); }

  std::uint32_t ReadInteger(const std::string& name) override { return ReadIntegerValue(name, Stored(name)); }

  void WriteString(const std::string& name, const std::string& value) override {
    Set(name, RegistryValue::FromString(value));
  }

  void WriteInteger(const std::string& name, std::uint32_t value) override {
    Set(name, RegistryValue::FromInteger(value));
  }

  void DeleteValue(const std::string& name) override {
    if (!ValueExists(name)) return;
    const bool removed = file_.Update([&](RegFile& file) {
      file.Remove(name);
      return true;
    });
    if (!removed) throw RegistryError::DeleteFailed(name);
  }

 private:
  std::optional<RegFile::Entry> Find(const std::string& name) const {
    std::string text;
    if (!opened_ || file_.Read(text) != ReadStatus::kRead) return std::nullopt;
    return RegFile(text).Find(name);
  }

  RegistryValue Stored(const std::string& name) const {
    const auto entry = Find(name);
    if (!entry || !entry->value) throw RegistryError::GetDataFailed(name);
    return *entry->value;
  }

  void Set(const std::string& name, const RegistryValue& value) {
    if (!opened_ || !file_.Update([&](RegFile& file) { return file.Set(name, value); })) {
      throw RegistryError::SetDataFailed(name);
    }
  }

  SettingsFile file_;
  bool opened_ = false;
};

class FileSettingsRegistry final : public SettingsRegistry {
 public:
  explicit FileSettingsRegistry(std::string path) : path_(std::move(path)) {}

  std::unique_ptr<SettingsKey> OpenSettingsKey() override { return std::make_unique<FileSettingsKey>(path_); }

 private:
  std::string path_;
};

}  // namespace

std::unique_ptr<SettingsRegistry> CreateSystemSettingsRegistry() {
  const char* path = std::getenv(kSettingsFileVariable);
  return CreateSettingsRegistryAt(path != nullptr && *path != '\0' ? path : kDefaultSettingsFile);
}

std::unique_ptr<SettingsRegistry> CreateSettingsRegistryAt(const std::string& location) {
  return std::make_unique<FileSettingsRegistry>(location);
}

}  // namespace vq
