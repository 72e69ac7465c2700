#include "tests/fakes/fake_log_file_system.h"

#include <algorithm>

namespace vq::testing {
namespace {

class FakeHandle final : public LogFileHandle {
 public:
  FakeHandle(FakeLogFileSystem& files, std::string path) : files_(files), path_(std::move(path)) {
    ++files_.open_handles;
  }
  ~FakeHandle() override { --files_.open_handles; }
  FakeHandle(const FakeHandle&) = delete;
  FakeHandle& operator=(const FakeHandle&) = delete;

  std::size_t Append(std::string_view bytes) override {
    files_.appends.emplace_back(bytes);
    if (files_.write_error) throw LogFileError(*files_.write_error);
    std::size_t count = files_.short_write ? std::min(*files_.short_write, bytes.size()) : bytes.size();
    files_.files[path_].append(bytes.substr(0, count));
    return count;
  }

 private:
  FakeLogFileSystem& files_;
  std::string path_;
};

}  // namespace

std::optional<std::uint64_t> FakeLogFileSystem::FileSize(const std::string& path) {
  auto found = files.find(path);
  if (found == files.end()) return std::nullopt;
  return found->second.size();
}

bool FakeLogFileSystem::Exists(const std::string& path) { return files.count(path) || folders.count(path); }

bool FakeLogFileSystem::Delete(const std::string& path) {
  if (undeletable.count(path)) return false;
  return files.erase(path) != 0;
}

bool FakeLogFileSystem::Rename(const std::string& from, const std::string& to) {
  auto found = files.find(from);
  if (rename_fails || found == files.end() || Exists(to)) return false;
  files[to] = std::move(found->second);
  files.erase(from);
  return true;
}

std::unique_ptr<LogFileHandle> FakeLogFileSystem::OpenForAppend(const std::string& path) {
  if (folders.count(path) || unopenable.count(path)) return nullptr;
  files[path];  // open-or-create
  ++opens;
  return std::make_unique<FakeHandle>(*this, path);
}

}  // namespace vq::testing
