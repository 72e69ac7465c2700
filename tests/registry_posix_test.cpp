// The settings key kept in a .reg text file: its format, what it keeps of an
// administrator's file, and its all-or-nothing replacement of the file.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/registry_contract.h"

namespace vq::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kSection[] = "[HKEY_LOCAL_MACHINE\\Software\\Vequor\\Monitor]";

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A folder of its own for each test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "vq-settings.XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Writes a value into the file the way a person would with a text editor.
std::string HandWritten(const std::string& name, const RegistryValue& value) {
  auto quote = [](const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) quoted += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return quoted + "\"";
  };
  std::string line = quote(name) + "=";
  if (value.type == kRegSz) return line + quote(value.bytes.substr(0, value.bytes.size() - 1));
  char hex[8];
  std::snprintf(hex, sizeof(hex), value.type == kRegBinary ? "hex:" : "hex(%x):", static_cast<unsigned>(value.type));
  line += hex;
  for (std::size_t i = 0; i < value.bytes.size(); ++i) {
    std::snprintf(hex, sizeof(hex), i == 0 ? "%02x" : ",%02x", static_cast<unsigned char>(value.bytes[i]));
    line += hex;
  }
  return line;
}

class FileBackend final : public RegistryBackend {
 public:
  FileBackend() : file_(folder_.path() / "monitor.reg"), registry_(CreateSettingsRegistryAt(file_.string())) {}

  SettingsRegistry& Registry() override { return *registry_; }

  // A later line wins over an earlier one, so appending sets the value.
  void SetByHand(const std::string& name, const RegistryValue& value) override {
    std::string text = fs::exists(file_) ? ReadText(file_) : "REGEDIT4\n\n" + std::string(kSection) + "\n";
    WriteText(file_, text + HandWritten(name, value) + "\n");
  }

  // The file's folder would have to be where a plain file is.
  std::unique_ptr<SettingsRegistry> UnopenableRegistry() override {
    WriteText(folder_.path() / "plain-file", "");
    return CreateSettingsRegistryAt((folder_.path() / "plain-file" / "monitor.reg").string());
  }

 private:
  TempFolder folder_;
  fs::path file_;
  std::unique_ptr<SettingsRegistry> registry_;
};

template <typename Action>
std::string Outcome(Action action) {
  try {
    return action();
  } catch (const RegistryError& error) {
    return error.what();
  }
}

class SettingsFileTest : public ::testing::Test {
 protected:
  fs::path File() const { return folder_.path() / "monitor.reg"; }
  std::unique_ptr<SettingsKey> Open() { return CreateSettingsRegistryAt(File().string())->OpenSettingsKey(); }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_.path())) names.push_back(entry.path().filename());
    return names;
  }

  TempFolder folder_;
};

const std::string kHeader4 = "REGEDIT4\n\n" + std::string(kSection) + "\n";
const std::string kHeader5 = "Windows Registry Editor Version 5.00\r\n\r\n" + std::string(kSection) + "\r\n";

TEST_F(SettingsFileTest, ReadsTheFormsOfARegistryExport) {
  struct Case {
    std::string file;
    std::string name;
    std::string as_string;   // the text, or the error
    std::string as_integer;  // the number in decimal, or the error
  };
  const std::string kTypeDebug = "Invalid data type for 'Debug'";
  const std::string kTypeValue = "Invalid data type for 'Value'";
  const std::string kNoValue = "Failed to get data for 'Value'";
  const Case kCases[] = {
      {kHeader4 + "\"Debug\"=dword:00000001\n", "Debug", kTypeDebug, "1"},
      {kHeader4 + "\"Debug\"=\"1\"\n", "Debug", "1", kTypeDebug},
      {kHeader4 + "  \"Debug\" = DWORD:0000000C  \n", "Debug", kTypeDebug, "12"},
      {kHeader4 + "\"Value\"=\"C:\\\\Program Files\\\\Vequor\\\\\"\n", "Value", "C:\\Program Files\\Vequor\\",
       kTypeValue},
      {kHeader4 + "\"Value\"=\"C:\\Temp\"\n", "Value", "C:\\Temp", kTypeValue},
      {kHeader4 + "\"Value\"=\"say \\\"hi\\\"\"\n", "Value", "say \"hi\"", kTypeValue},
      {kHeader4 + "\"a \\\"b\\\" \\\\c\"=\"x\"\n", "a \"b\" \\c", "x", "Invalid data type for 'a \"b\" \\c'"},
      {kHeader4 + "\"Value\"=hex(2):25,54,45,4d,50,25,00\n", "Value", "%TEMP%", kTypeValue},
      {kHeader5 + "\"Value\"=hex(2):25,00,54,00,00,00\r\n", "Value", "%T", kTypeValue},
      {kHeader4 + "\"Value\"=hex(2):41,42,\\\n  43,00\n", "Value", "ABC", kTypeValue},
      {kHeader4 + "\"Value\"=hex(4):d2,04,00,00\n", "Value", kTypeValue, "1234"},
      {kHeader4 + "\"Value\"=hex:01,02\n", "Value", kTypeValue, kTypeValue},
      {kHeader4 + "\"Value\"=hex(7):61,00,00\n", "Value", kTypeValue, kTypeValue},
      {kHeader4 + "\"Value\"=dword:xyz\n", "Value", kNoValue, kNoValue},
      {kHeader4 + "\"Value\"=\"unterminated\n", "Value", kNoValue, kNoValue},
      {kHeader4 + "\"Value\"=hex(2):4g\n", "Value", kNoValue, kNoValue},
      {kHeader4 + "\"Debug\"=dword:1\n\"Debug\"=dword:0\n", "Debug", kTypeDebug, "0"},
      {"REGEDIT4\n[hkey_local_machine\\software\\vequor\\monitor]\n\"Debug\"=dword:2\n", "Debug", kTypeDebug, "2"},
  };
  for (const Case& test : kCases) {
    WriteText(File(), test.file);
    const auto key = Open();
    ASSERT_TRUE(key->ValueExists(test.name)) << test.file;
    EXPECT_EQ(Outcome([&] { return key->ReadString(test.name); }), test.as_string) << test.file;
    EXPECT_EQ(Outcome([&] { return std::to_string(key->ReadInteger(test.name)); }), test.as_integer) << test.file;
  }
}

TEST_F(SettingsFileTest, LinesOutsideTheKeyHoldNoValues) {
  const std::string kFiles[] = {
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Debug\"=dword:1\n",
      kHeader4 + "\"Debug\"=-\n",
      kHeader4 + "; \"Debug\"=dword:1\n@=\"default\"\n",
      "\"Debug\"=dword:1\n" + kHeader4,
  };
  for (const std::string& file : kFiles) {
    WriteText(File(), file);
    EXPECT_FALSE(Open()->ValueExists("Debug")) << file;
  }
}

TEST_F(SettingsFileTest, NewFileIsARegistryExport) {
  const fs::path file = folder_.path() / "vequor" / "monitor.reg";
  {
    const auto key = CreateSettingsRegistryAt(file.string())->OpenSettingsKey();
    EXPECT_EQ(ReadText(file), kHeader4) << "opening makes the folder and the key, as the registry does";
    key->WriteString("Programm Path", "C:\\VQ\\");
    key->WriteInteger("Communication Port", 1234);
    key->WriteString("Remote Server UPS", "two\r\nlines");
  }
  EXPECT_EQ(ReadText(file), kHeader4 +
                                "\"Programm Path\"=\"C:\\\\VQ\\\\\"\n"
                                "\"Communication Port\"=dword:000004d2\n"
                                "\"Remote Server UPS\"=hex(1):74,77,6f,0d,0a,6c,69,6e,65,73,00\n");
}

TEST_F(SettingsFileTest, ChangesKeepEveryOtherLineAsItWas) {
  const std::string kBefore =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; edited by hand\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
      "\"Communication Port\"=dword:00000001\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Vequor\\Monitor]\r\n"
      "\"Communication Port\"=dword:000025ea\r\n"
      "\"Note\"=hex(2):41,00,\\\r\n"
      "  00,00\r\n"
      "\"ServerPassword\"=\"c2VjcmV0\"\r\n"
      "something unknown\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Vequor]\r\n"
      "\"Debug\"=dword:00000001\r\n";
  WriteText(File(), kBefore);
  {
    const auto key = Open();
    key->WriteInteger("Communication Port", 1234);
    key->DeleteValue("ServerPassword");
    key->WriteString("Language Name", "\xE9t\xE9");
    key->WriteString("Remote Server UPS", "a\nb");
    EXPECT_EQ(key->ReadString("Note"), "A");
  }
  EXPECT_EQ(ReadText(File()),
            "Windows Registry Editor Version 5.00\r\n"
            "\r\n"
            "; edited by hand\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
            "\"Communication Port\"=dword:00000001\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Vequor\\Monitor]\r\n"
            "\"Communication Port\"=dword:000004d2\r\n"
            "\"Note\"=hex(2):41,00,\\\r\n"
            "  00,00\r\n"
            "something unknown\r\n"
            "\"Language Name\"=\"\xE9t\xE9\"\r\n"
            "\"Remote Server UPS\"=hex(1):61,00,0a,00,62,00,00,00\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\Vequor]\r\n"
            "\"Debug\"=dword:00000001\r\n");
}

TEST_F(SettingsFileTest, ReplacingTheFileKeepsItsModeAndItsLink) {
  const fs::path target = folder_.path() / "real.reg";
  WriteText(target, kHeader4);
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(target, File());
  Open()->WriteInteger("Debug", 1);
  EXPECT_TRUE(fs::is_symlink(File()));
  EXPECT_EQ(ReadText(target), kHeader4 + "\"Debug\"=dword:00000001\n");
  EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

// A write that fails half-way (here: the file size limit strikes while the new
// text is written) must leave the old file whole and no temporary file behind.
TEST_F(SettingsFileTest, FailedWriteLeavesThePreviousFileIntact) {
  const std::string kBefore = kHeader4 + "\"Remote Server UPS\"=\"ups.lan\"\n";
  WriteText(File(), kBefore);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{kBefore.size() + 16, kBefore.size() + 16};
    setrlimit(RLIMIT_FSIZE, &limit);
    const auto key = Open();
    const std::string error = Outcome([&] {
      key->WriteString("Programm Path", std::string(4096, 'x'));
      return std::string("no error");
    });
    _exit(error == "Failed to set data for 'Programm Path'" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should have failed with the registry's text";
  EXPECT_EQ(ReadText(File()), kBefore);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"monitor.reg"});
}

// Another process saves over and over while this one saves and reads: every open
// finds a whole file, and neither writer loses the other's value.
TEST_F(SettingsFileTest, ConcurrentWritersLoseNothingAndReadersSeeWholeFiles) {
  constexpr int kRounds = 30;
  const std::string kPadding(8192, 'p');
  Open()->WriteString("Remote Server UPS", kPadding + "0");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    for (int round = 1; round <= kRounds; ++round) {
      Open()->WriteString("Remote Server UPS", kPadding + std::to_string(round));
    }
    _exit(0);
  }
  int whole_reads = 0;
  for (int round = 1; round <= kRounds; ++round) {
    Open()->WriteInteger("Communication Port", static_cast<std::uint32_t>(round));
    const auto key = Open();
    if (key->ValueExists("Remote Server UPS") && key->ReadString("Remote Server UPS").rfind(kPadding, 0) == 0) {
      ++whole_reads;
    }
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(whole_reads, kRounds);
  const auto key = Open();
  EXPECT_EQ(key->ReadString("Remote Server UPS"), kPadding + std::to_string(kRounds));
  EXPECT_EQ(key->ReadInteger("Communication Port"), static_cast<std::uint32_t>(kRounds));
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"monitor.reg"});
}

TEST_F(SettingsFileTest, SystemStoreIsTheFileNamedByTheEnvironment) {
  ASSERT_EQ(setenv(kSettingsFileVariable, File().c_str(), 1), 0);
  CreateSystemSettingsRegistry()->OpenSettingsKey()->WriteInteger("Shutdown Mode", 2);
  unsetenv(kSettingsFileVariable);
  EXPECT_EQ(ReadText(File()), kHeader4 + "\"Shutdown Mode\"=dword:00000002\n");
}

}  // namespace

RegistryBackendFactory PlatformRegistryBackend() {
  return {"RegFile", [] { return std::make_unique<FileBackend>(); }};
}

}  // namespace vq::testing
