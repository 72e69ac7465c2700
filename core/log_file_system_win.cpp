#include <windows.h>

#include "core/log_file_system.h"
#include "core/system_error.h"

namespace vq {
namespace {

// Owns a file handle; the close keeps GetLastError as it was.
class ScopedFileHandle {
 public:
  explicit ScopedFileHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedFileHandle() {
    if (valid()) {
      DWORD error = GetLastError();
      CloseHandle(handle_);
      SetLastError(error);
    }
  }
  ScopedFileHandle(const ScopedFileHandle&) = delete;
  ScopedFileHandle& operator=(const ScopedFileHandle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Appends by a move to the end and one write. Another writer could move to the
// same end between the two and overwrite the line, so every writer first takes
// an exclusive lock on one byte far past any real end of file; it stands for the
// right to append and never covers the lines themselves.
class WinLogFileHandle final : public LogFileHandle {
 public:
  explicit WinLogFileHandle(HANDLE handle) : file_(handle) {}

  std::size_t Append(std::string_view bytes) override {
    bool locked = LockForAppend();
    LARGE_INTEGER start{};
    DWORD written = 0;
    BOOL ok = SetFilePointerEx(file_.get(), start, nullptr, FILE_END) &&
              WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    DWORD error = GetLastError();
    if (locked) UnlockAppend();
    if (!ok) throw LogFileError(SystemErrorMessage(error));
    return written;
  }

 private:
  static constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
  static constexpr DWORD kLockOffsetLow = 0xFFFFFFF0;
  // A writer holds the lock for one write only; should one hang, the others
  // append unlocked after this long rather than wait for ever.
  static constexpr ULONGLONG kLockPatienceMs = 2000;

  bool LockForAppend() {
    ULONGLONG give_up = GetTickCount64() + kLockPatienceMs;
    for (;;) {
      OVERLAPPED where{};
      where.Offset = kLockOffsetLow;
      where.OffsetHigh = kLockOffsetHigh;
      if (LockFileEx(file_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) return true;
      if (GetLastError() != ERROR_LOCK_VIOLATION || GetTickCount64() > give_up) return false;
      Sleep(1);
    }
  }

  void UnlockAppend() {
    OVERLAPPED where{};
    where.Offset = kLockOffsetLow;
    where.OffsetHigh = kLockOffsetHigh;
    UnlockFileEx(file_.get(), 0, 1, 0, &where);
  }

  ScopedFileHandle file_;
};

class WinLogFileSystem final : public LogFileSystem {
 public:
  std::optional<std::uint64_t> FileSize(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }

  bool Exists(const std::string& path) override { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

  bool Delete(const std::string& path) override { return DeleteFileA(path.c_str()); }

  bool Rename(const std::string& from, const std::string& to) override { return MoveFileA(from.c_str(), to.c_str()); }

  std::unique_ptr<LogFileHandle> OpenForAppend(const std::string& path) override {
    // Other writers may hold the file at the same time; readers are kept out.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<WinLogFileHandle>(handle);
  }
};

}  // namespace

std::unique_ptr<LogFileSystem> CreateLogFileSystem() { return std::make_unique<WinLogFileSystem>(); }

}  // namespace vq
