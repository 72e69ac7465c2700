#include <windows.h>

#include <utility>

#include "core/registry.h"
#include "core/registry_value.h"

namespace vq {
namespace {

// Owns one open registry key; closing keeps the caller's GetLastError.
class ScopedHkey {
 public:
  explicit ScopedHkey(HKEY key) : key_(key) {}
  ~ScopedHkey() { Close(); }
  ScopedHkey(const ScopedHkey&) = delete;
  ScopedHkey& operator=(const ScopedHkey&) = delete;

  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }

 private:
  void Close() {
    if (key_ == nullptr) return;
    const DWORD last_error = GetLastError();
    RegCloseKey(key_);
    SetLastError(last_error);
    key_ = nullptr;
  }

  HKEY key_ = nullptr;
};

// Opens the key with full access, creating it when missing. A failure gives no
// key on purpose: the first write then reports it.
HKEY CreateKey(const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

class Win32SettingsKey final : public SettingsKey {
 public:
  explicit Win32SettingsKey(const std::string& path) : key_(CreateKey(path)) {}

  // What the programs write reaches the disk when they close the key.
  ~Win32SettingsKey() override {
    if (key_) RegFlushKey(key_.get());
  }

  bool ValueExists(const std::string& name) override {
    return key_ && RegQueryValueExA(key_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }

  std::string ReadString(const std::string& name) override { return ReadStringValue(name, Query(name)); }

  std::uint32_t ReadInteger(const std::string& name) override { return ReadIntegerValue(name, Query(name)); }

  void WriteString(const std::string& name, const std::string& value) override {
    Set(name, RegistryValue::FromString(value));
  }

  void WriteInteger(const std::string& name, std::uint32_t value) override {
    Set(name, RegistryValue::FromInteger(value));
  }

  void DeleteValue(const std::string& name) override {
    if (!key_) return;
    const LONG result = RegDeleteValueA(key_.get(), name.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) throw RegistryError::DeleteFailed(name);
  }

 private:
  RegistryValue Query(const std::string& name) {
    DWORD type = 0;
    DWORD size = 0;
    if (!key_ || RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
      throw RegistryError::GetDataFailed(name);
    }
    // The value may grow between two queries; ask again with the new size.
    for (int attempt = 0; attempt < 3; ++attempt) {
      std::string bytes(size, '\0');
      const LONG result =
          RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
      if (result == ERROR_MORE_DATA) continue;
      if (result != ERROR_SUCCESS) break;
      bytes.resize(size);
      return {type, std::move(bytes)};
    }
    throw RegistryError::GetDataFailed(name);
  }

  void Set(const std::string& name, const RegistryValue& value) {
    if (!key_ || value.bytes.size() > MAXDWORD ||
        RegSetValueExA(key_.get(), name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                       static_cast<DWORD>(value.bytes.size())) != ERROR_SUCCESS) {
      throw RegistryError::SetDataFailed(name);
    }
  }

  ScopedHkey key_;
};

class Win32SettingsRegistry final : public SettingsRegistry {
 public:
  explicit Win32SettingsRegistry(std::string path) : path_(std::move(path)) {}

  std::unique_ptr<SettingsKey> OpenSettingsKey() override { return std::make_unique<Win32SettingsKey>(path_); }

 private:
  std::string path_;
};

}  // namespace

std::unique_ptr<SettingsRegistry> CreateSystemSettingsRegistry() { return CreateSettingsRegistryAt(kSettingsKeyPath); }

std::unique_ptr<SettingsRegistry> CreateSettingsRegistryAt(const std::string& location) {
  return std::make_unique<Win32SettingsRegistry>(location);
}

}  // namespace vq
