// The settings key in the Windows registry, run under Wine: the contract of
// every settings key, and the place where the programs find it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/registry_contract.h"

namespace vq::testing {
namespace {

constexpr char kTestRoot[] = "Software\\Vequor\\Test";

// Writes past the store, as regedit would.
void SetRawValue(const std::string& path, const std::string& name, const RegistryValue& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                           static_cast<DWORD>(value.bytes.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

// Each backend works in a key of its own, so tests start empty.
class Win32Backend final : public RegistryBackend {
 public:
  Win32Backend()
      : path_(std::string(kTestRoot) + "\\" + std::to_string(++count_)), registry_(CreateSettingsRegistryAt(path_)) {}
  ~Win32Backend() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, path_.c_str()); }

  SettingsRegistry& Registry() override { return *registry_; }
  void SetByHand(const std::string& name, const RegistryValue& value) override { SetRawValue(path_, name, value); }

  // A volatile key can hold only volatile keys, and the store makes lasting ones.
  std::unique_ptr<SettingsRegistry> UnopenableRegistry() override {
    const std::string parent = path_ + "-volatile";
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, parent.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
      return nullptr;
    }
    RegCloseKey(key);
    return CreateSettingsRegistryAt(parent + "\\Monitor");
  }

 private:
  static inline int count_ = 0;
  std::string path_;
  std::unique_ptr<SettingsRegistry> registry_;
};

TEST(Win32RegistryTest, SystemStoreIsTheMonitorKeyOfTheLocalMachine) {
  CreateSystemSettingsRegistry()->OpenSettingsKey()->WriteInteger("Communication Port", 1234);
  DWORD type = 0;
  DWORD port = 0;
  DWORD size = sizeof(port);
  ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Vequor\\Monitor", "Communication Port", RRF_RT_ANY, &type,
                         &port, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(port, 1234u);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Vequor\\Monitor");
}

TEST(Win32RegistryTest, StringsAreStoredAsRegSzWithTheirTerminator) {
  const std::string path = std::string(kTestRoot) + "\\Strings";
  CreateSettingsRegistryAt(path)->OpenSettingsKey()->WriteString("Remote Server UPS", "ups.lan");
  char text[32] = {};
  DWORD type = 0;
  DWORD size = sizeof(text);
  ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), "Remote Server UPS", RRF_RT_ANY | RRF_NOEXPAND, &type, text,
                         &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 8u);
  EXPECT_STREQ(text, "ups.lan");
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());
}

TEST(Win32RegistryTest, StringWithoutTerminatorReadsWhole) {
  const std::string path = std::string(kTestRoot) + "\\Unterminated";
  SetRawValue(path, "Remote Server UPS", {kRegSz, "ups"});
  EXPECT_EQ(CreateSettingsRegistryAt(path)->OpenSettingsKey()->ReadString("Remote Server UPS"), "ups");
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());
}

}  // namespace

RegistryBackendFactory PlatformRegistryBackend() {
  return {"Win32", [] { return std::make_unique<Win32Backend>(); }};
}

}  // namespace vq::testing
