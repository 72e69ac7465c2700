#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace vq {

// A failure of the settings store, worded as the registry layer words it:
// "Invalid data type for '%s'", "Failed to get data for '%s'", "Failed to set data for '%s'".
class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The settings key HKEY_LOCAL_MACHINE "Software\Vequor\Monitor", opened with full
// access. Destroying it closes the key and flushes what was written.
class SettingsKey {
 public:
  virtual ~SettingsKey() = default;
  virtual bool ValueExists(const std::string& name) = 0;
  // REG_SZ or REG_EXPAND_SZ; any other type is "Invalid data type for '%s'".
  virtual std::string ReadString(const std::string& name) = 0;
  // REG_DWORD only.
  virtual std::uint32_t ReadInteger(const std::string& name) = 0;
  virtual void WriteString(const std::string& name, const std::string& value) = 0;
  virtual void WriteInteger(const std::string& name, std::uint32_t value) = 0;
  virtual void DeleteValue(const std::string& name) = 0;
};

// Opens the settings key, creating it when missing. A key that cannot be opened
// is not an error here: every existence test then finds nothing and the first
// write fails, as the loads and saves expect.
class SettingsRegistry {
 public:
  virtual ~SettingsRegistry() = default;
  virtual std::unique_ptr<SettingsKey> OpenSettingsKey() = 0;
};

}  // namespace vq
