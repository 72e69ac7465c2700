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

  static RegistryError InvalidDataType(const std::string& name) { return Worded("Invalid data type for '", name); }
  static RegistryError GetDataFailed(const std::string& name) { return Worded("Failed to get data for '", name); }
  static RegistryError SetDataFailed(const std::string& name) { return Worded("Failed to set data for '", name); }
  // A value that exists and could not be removed; a missing value is no error.
  static RegistryError DeleteFailed(const std::string& name) { return Worded("Failed to delete value '", name); }

 private:
  static RegistryError Worded(const char* text, const std::string& name) {
    return RegistryError(text + name + "'");
  }
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

inline constexpr char kSettingsKeyPath[] = "Software\\Vequor\\Monitor";
inline constexpr char kDefaultSettingsFile[] = "/etc/vequor/monitor.reg";
inline constexpr char kSettingsFileVariable[] = "VQ_SETTINGS_FILE";

// The settings key both programs use. Windows: HKEY_LOCAL_MACHINE
// kSettingsKeyPath. POSIX: that key kept in a .reg text file, the one named by
// the environment variable VQ_SETTINGS_FILE when it is set and not empty, else
// kDefaultSettingsFile.
std::unique_ptr<SettingsRegistry> CreateSystemSettingsRegistry();

// The same store somewhere else, for tests and demos. Windows: a key path under
// HKEY_LOCAL_MACHINE. POSIX: the path of the .reg file.
std::unique_ptr<SettingsRegistry> CreateSettingsRegistryAt(const std::string& location);

}  // namespace vq
