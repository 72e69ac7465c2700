// What every implementation of the settings key must do, run against the
// platform's own store and against the in-memory fake that the other tests use.
#include <gtest/gtest.h>

#include "tests/fakes/fake_registry.h"
#include "tests/registry_contract.h"

namespace vq::testing {
namespace {

using namespace std::string_literals;

class FakeBackend final : public RegistryBackend {
 public:
  SettingsRegistry& Registry() override { return registry_; }
  void SetByHand(const std::string& name, const RegistryValue& value) override { registry_.SetRaw(name, value); }
  std::unique_ptr<SettingsRegistry> UnopenableRegistry() override {
    auto registry = std::make_unique<FakeRegistry>();
    registry->unopenable = true;
    return registry;
  }

 private:
  FakeRegistry registry_;
};

template <typename Action>
std::string ErrorOf(Action action) {
  try {
    action();
  } catch (const RegistryError& error) {
    return error.what();
  }
  return "no error";
}

class RegistryContractTest : public ::testing::TestWithParam<RegistryBackendFactory> {
 protected:
  void SetUp() override { backend_ = GetParam().create(); }
  std::unique_ptr<SettingsKey> Open() { return backend_->Registry().OpenSettingsKey(); }

  std::unique_ptr<RegistryBackend> backend_;
};

TEST_P(RegistryContractTest, MissingValueDoesNotExistAndCannotBeRead) {
  const auto key = Open();
  EXPECT_FALSE(key->ValueExists("Remote Server UPS"));
  EXPECT_EQ(ErrorOf([&] { key->ReadString("Remote Server UPS"); }), "Failed to get data for 'Remote Server UPS'");
  EXPECT_EQ(ErrorOf([&] { key->ReadInteger("Communication Port"); }), "Failed to get data for 'Communication Port'");
  EXPECT_EQ(ErrorOf([&] { key->DeleteValue("ServerPassword"); }), "no error") << "a missing value is no error";
}

TEST_P(RegistryContractTest, StringsRoundTripThroughTheSameAndALaterKey) {
  const std::pair<std::string, std::string> kStrings[] = {
      {"Remote Server UPS", "ups.example.lan"},
      {"Programm Path", "C:\\Program Files\\Vequor\\"},
      {"ServerPassword", " pass word "},
      {"Quotes", "say \"hi\" \\ \\\\ \"\""},
      {"High bytes", "\xC0\xE9\xFF\x80 caf\xE9"},
      {"Empty", ""},
      {"Line breaks", "one\r\ntwo\nthree"},
      {"Looks like syntax", "\"Debug\"=dword:00000001\n[HKEY_LOCAL_MACHINE\\Other]"},
      {"Name with \"quotes\" and \\", "value"},
  };
  {
    const auto key = Open();
    for (const auto& [name, text] : kStrings) key->WriteString(name, text);
    for (const auto& [name, text] : kStrings) EXPECT_EQ(key->ReadString(name), text) << name;
  }
  const auto later = Open();
  for (const auto& [name, text] : kStrings) {
    EXPECT_TRUE(later->ValueExists(name)) << name;
    EXPECT_EQ(later->ReadString(name), text) << name;
  }
}

TEST_P(RegistryContractTest, IntegersRoundTrip) {
  const std::pair<std::string, std::uint32_t> kIntegers[] = {
      {"Communication Port", 9706}, {"Debug", 0}, {"Language", 0x00010409}, {"All bits", 0xFFFFFFFF},
      {"High bit", 0x80000000},
  };
  {
    const auto key = Open();
    for (const auto& [name, number] : kIntegers) key->WriteInteger(name, number);
  }
  const auto later = Open();
  for (const auto& [name, number] : kIntegers) EXPECT_EQ(later->ReadInteger(name), number) << name;
}

TEST_P(RegistryContractTest, ExpandStringReadsAsStringUnexpanded) {
  backend_->SetByHand("Programm Path", {kRegExpandSz, "%ProgramFiles%\\Vequor\\\0"s});
  const auto key = Open();
  EXPECT_EQ(key->ReadString("Programm Path"), "%ProgramFiles%\\Vequor\\");
}

TEST_P(RegistryContractTest, ValueOfTheWrongTypeExistsButDoesNotRead) {
  struct Case {
    std::string name;
    RegistryValue value;
    bool read_as_integer;
  };
  const Case kCases[] = {
      {"Debug", RegistryValue::FromString("1"), true},
      {"Communication Port", RegistryValue::FromString("1234"), true},
      {"Language", {kRegExpandSz, "1033\0"s}, true},
      {"Shutdown Mode", {kRegBinary, "\x01\0\0\0"s}, true},
      {"Remote Server UPS", RegistryValue::FromInteger(5), false},
      {"ServerPassword", {kRegBinary, "ab"}, false},
      {"Several", {kRegMultiSz, "a\0b\0\0"s}, false},
  };
  for (const Case& test : kCases) backend_->SetByHand(test.name, test.value);
  const auto key = Open();
  for (const Case& test : kCases) {
    EXPECT_TRUE(key->ValueExists(test.name)) << test.name;
    const std::string error = test.read_as_integer ? ErrorOf([&] { key->ReadInteger(test.name); })
                                                   : ErrorOf([&] { key->ReadString(test.name); });
    EXPECT_EQ(error, "Invalid data type for '" + test.name + "'");
  }
}

TEST_P(RegistryContractTest, DeleteRemovesTheValueOnly) {
  {
    const auto key = Open();
    key->WriteString("ServerPassword", "c2VjcmV0");
    key->WriteString("Remote Server UPS", "ups");
    key->DeleteValue("ServerPassword");
    EXPECT_FALSE(key->ValueExists("ServerPassword"));
  }
  const auto later = Open();
  EXPECT_FALSE(later->ValueExists("ServerPassword"));
  EXPECT_EQ(later->ReadString("Remote Server UPS"), "ups");
}

TEST_P(RegistryContractTest, WriteReplacesValueAndType) {
  {
    const auto key = Open();
    key->WriteString("Communication Port", "9706");
    key->WriteInteger("Communication Port", 1234);
  }
  const auto later = Open();
  EXPECT_EQ(later->ReadInteger("Communication Port"), 1234u);
  EXPECT_EQ(ErrorOf([&] { later->ReadString("Communication Port"); }),
            "Invalid data type for 'Communication Port'");
}

TEST_P(RegistryContractTest, NamesIgnoreLetterCase) {
  const auto key = Open();
  key->WriteInteger("Debug", 1);
  EXPECT_TRUE(key->ValueExists("DEBUG"));
  key->WriteInteger("debug", 0);
  EXPECT_EQ(Open()->ReadInteger("Debug"), 0u);
  key->DeleteValue("dEbUg");
  EXPECT_FALSE(Open()->ValueExists("Debug"));
}

// The log writer opens the key while a load holds it open; neither write may be lost.
TEST_P(RegistryContractTest, KeysOpenTogetherKeepEachOthersWrites) {
  {
    const auto load = Open();
    const auto log_writer = Open();
    log_writer->WriteString("LogFile", "C:\\Vequor\\VQM.log");
    load->WriteString("Programm Path", "C:\\Vequor\\");
    log_writer->WriteInteger("Debug", 1);
    EXPECT_TRUE(log_writer->ValueExists("Programm Path")) << "a write is seen at once by another open key";
  }
  const auto later = Open();
  EXPECT_EQ(later->ReadString("LogFile"), "C:\\Vequor\\VQM.log");
  EXPECT_EQ(later->ReadString("Programm Path"), "C:\\Vequor\\");
  EXPECT_EQ(later->ReadInteger("Debug"), 1u);
}

TEST_P(RegistryContractTest, UnopenableKeyHoldsNothingAndRefusesWrites) {
  const auto registry = backend_->UnopenableRegistry();
  if (!registry) GTEST_SKIP() << "this backend cannot make a key that fails to open";
  const auto key = registry->OpenSettingsKey();
  EXPECT_FALSE(key->ValueExists("Programm Path"));
  EXPECT_EQ(ErrorOf([&] { key->ReadString("Programm Path"); }), "Failed to get data for 'Programm Path'");
  EXPECT_EQ(ErrorOf([&] { key->WriteString("Programm Path", "C:\\"); }), "Failed to set data for 'Programm Path'");
  EXPECT_EQ(ErrorOf([&] { key->WriteInteger("Auto Run", 1); }), "Failed to set data for 'Auto Run'");
  EXPECT_EQ(ErrorOf([&] { key->DeleteValue("ServerPassword"); }), "no error");
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistryContractTest,
                         ::testing::Values(RegistryBackendFactory{"Fake",
                                                                  [] { return std::make_unique<FakeBackend>(); }},
                                           PlatformRegistryBackend()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vq::testing
