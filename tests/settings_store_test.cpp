#include "core/settings_store.h"

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fakes/fake_registry.h"

namespace vq::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr SettingsPage kSimple = SettingsPage::kSimple;
constexpr SettingsPage kAdvanced = SettingsPage::kAdvanced;
constexpr char kProgramFile[] = "D:\\VQ\\VQ_ZOZuzivoz.exe";

// A reversible stand-in for the password cipher: every byte moves up by one.
std::string Shift(const std::string& text, int by) {
  std::string result = text;
  for (char& c : result) c = static_cast<char>(c + by);
  return result;
}
const PasswordCipher kCipher{[](const std::string& text) { return Shift(text, 1); },
                             [](const std::string& text) { return Shift(text, -1); }};

// The desktop window's settings controls, both pages, and what it was asked to do.
class FakeView final : public DesktopSettingsView {
 public:
  explicit FakeView(FakeRegistry& registry) : registry_(registry) {}

  bool OptionChecked(StartupOption option, SettingsPage page) const override {
    return options[Index(option)][Index(page)];
  }
  void SetOptionChecked(StartupOption option, SettingsPage page, bool checked) override {
    options[Index(option)][Index(page)] = checked;
  }
  std::string EditText(SettingsEdit edit, SettingsPage page) const override { return edits[Index(edit)][Index(page)]; }
  void SetEditText(SettingsEdit edit, SettingsPage page, const std::string& text) override {
    edits[Index(edit)][Index(page)] = text;
  }
  bool EditHasFocus(SettingsEdit edit, SettingsPage page) const override {
    return focus && focus->first == edit && focus->second == page;
  }
  int ShutdownModeIndex(SettingsPage page) const override { return modes[Index(page)]; }
  void SetShutdownModeIndex(SettingsPage page, int index) override { modes[Index(page)] = index; }
  bool AdvancedInterface() const override { return advanced; }
  void ApplyInterfaceMode(bool value) override { advanced = value; }
  void ConnectToServer() override {
    registry_.journal.push_back(registry_.open_keys == 0 ? "connect" : "connect with the key open");
  }
  void WriteLog(const std::string& message) override { log.push_back(message); }

  std::string Edit(SettingsEdit edit, SettingsPage page) const { return EditText(edit, page); }
  void Fill(SettingsEdit edit, const std::string& simple, const std::string& advanced_text) {
    edits[Index(edit)][0] = simple;
    edits[Index(edit)][1] = advanced_text;
  }

  bool options[3][2] = {};
  std::string edits[3][2];
  std::optional<std::pair<SettingsEdit, SettingsPage>> focus;
  int modes[2] = {};
  bool advanced = false;
  std::vector<std::string> log;

 private:
  template <typename Enum>
  static int Index(Enum value) {
    return static_cast<int>(value);
  }
  FakeRegistry& registry_;
};

// Records into the registry's journal, so a test sees the timer among the key's calls.
class JournalTimer final : public PollTimer {
 public:
  explicit JournalTimer(FakeRegistry& registry) : registry_(registry) {}
  void Start() override {
    enabled_ = true;
    registry_.journal.push_back(registry_.open_keys == 0 ? "timer-start" : "timer-start with the key open");
  }
  void Stop() override { enabled_ = false; }
  bool Enabled() const override { return enabled_; }
  void SetInterval(std::chrono::milliseconds interval) override {
    interval_ = interval;
    registry_.journal.push_back("timer-interval " + std::to_string(interval.count()));
  }
  std::chrono::milliseconds Interval() const override { return interval_; }

 private:
  FakeRegistry& registry_;
  bool enabled_ = false;
  std::chrono::milliseconds interval_{2000};
};

class SettingsStoreTest : public ::testing::Test {
 protected:
  void LoadDesktop() { store_.LoadDesktopSettings(view_, program_); }
  void SaveDesktop() { store_.SaveDesktopSettings(view_, program_); }
  ServiceSettings LoadService() {
    return store_.LoadServiceSettings(timer_, [this](const std::string& message, EventType type) {
      registry_.journal.push_back("log " + std::to_string(static_cast<int>(type)) + " " + message);
    });
  }
  void StoreEverything() {
    registry_.SetInteger("Debug", 1);
    registry_.SetString("Programm Path", "D:\\Stored\\");
    registry_.SetInteger("Language", 0x00010419);
    registry_.SetInteger("Auto Run", 2);
    registry_.SetInteger("Run Minimize", 0);
    registry_.SetInteger("As Service", 1);
    registry_.SetString("Remote Server UPS", "ups.lan");
    registry_.SetInteger("Communication Port", 1234);
    registry_.SetString("ServerPassword", kCipher.encrypt(" pw "));
    registry_.SetInteger("Advanced Interface", 1);
    registry_.SetInteger("Shutdown Mode", 2);
    registry_.SetString("LogFile", "D:\\Stored\\VQCM.log");
    registry_.SetInteger("Interval", 5);
  }

  FakeRegistry registry_;
  FakeView view_{registry_};
  JournalTimer timer_{registry_};
  DesktopProgramSettings program_;
  SettingsStore store_{registry_, kCipher, kProgramFile};
};

TEST_F(SettingsStoreTest, DesktopLoadReadsEveryValueInOrderThenConnects) {
  StoreEverything();
  LoadDesktop();
  EXPECT_THAT(registry_.journal,
              ElementsAre("open", "exists Debug", "read-integer Debug", "exists Programm Path",
                          "read-string Programm Path", "exists Language", "read-integer Language", "exists Auto Run",
                          "read-integer Auto Run", "exists Run Minimize", "read-integer Run Minimize",
                          "exists As Service", "read-integer As Service", "exists Remote Server UPS",
                          "read-string Remote Server UPS", "exists Communication Port",
                          "read-integer Communication Port", "exists ServerPassword", "read-string ServerPassword",
                          "exists Advanced Interface", "read-integer Advanced Interface", "exists Shutdown Mode",
                          "read-integer Shutdown Mode", "close", "connect"));
  EXPECT_TRUE(program_.debug);
  EXPECT_EQ(program_.program_path, "D:\\Stored\\");
  EXPECT_EQ(program_.language, 0x0419) << "only the low 16 bits are a language";
  EXPECT_TRUE(program_.as_service);
  for (SettingsPage page : {kSimple, kAdvanced}) {
    EXPECT_TRUE(view_.OptionChecked(StartupOption::kAutoRun, page)) << "any non-zero value is true";
    EXPECT_FALSE(view_.OptionChecked(StartupOption::kRunMinimize, page));
    EXPECT_TRUE(view_.OptionChecked(StartupOption::kAsService, page));
    EXPECT_EQ(view_.Edit(SettingsEdit::kServer, page), "ups.lan");
    EXPECT_EQ(view_.Edit(SettingsEdit::kPort, page), "1234");
    EXPECT_EQ(view_.Edit(SettingsEdit::kPassword, page), " pw ");
    EXPECT_EQ(view_.ShutdownModeIndex(page), 2);
  }
  EXPECT_TRUE(view_.advanced);
  EXPECT_THAT(view_.log, IsEmpty());
}

TEST_F(SettingsStoreTest, FirstDesktopLoadCreatesOnlyTheProgramPath) {
  const std::pair<std::string, std::string> kProgramFiles[] = {
      {"C:\\Program Files\\Vequor\\VQ_ZOZuzivoz.exe", "C:\\Program Files\\Vequor\\"},
      {"/opt/vequor/vq-monitor", "/opt/vequor/"},
  };
  for (const auto& [program_file, folder] : kProgramFiles) {
    FakeRegistry registry;
    FakeView view(registry);
    view.Fill(SettingsEdit::kServer, "old", "old");
    view.Fill(SettingsEdit::kPassword, "old", "old");
    view.options[0][0] = view.options[0][1] = true;
    view.modes[0] = view.modes[1] = 1;
    view.advanced = true;
    DesktopProgramSettings program{true, "old", 7, true};
    SettingsStore(registry, kCipher, program_file).LoadDesktopSettings(view, program);

    EXPECT_THAT(registry.Names(), ElementsAre("Programm Path"));
    EXPECT_EQ(registry.String("Programm Path"), folder);
    EXPECT_EQ(program.program_path, folder);
    EXPECT_FALSE(program.debug);
    EXPECT_EQ(program.language, 1033);
    EXPECT_FALSE(program.as_service);
    for (SettingsPage page : {kSimple, kAdvanced}) {
      EXPECT_EQ(view.Edit(SettingsEdit::kServer, page), "");
      EXPECT_EQ(view.Edit(SettingsEdit::kPort, page), "9706");
      EXPECT_EQ(view.Edit(SettingsEdit::kPassword, page), "");
      EXPECT_FALSE(view.OptionChecked(StartupOption::kAutoRun, page));
      EXPECT_EQ(view.ShutdownModeIndex(page), 0) << "power off";
    }
    EXPECT_FALSE(view.advanced) << "the simple page";
    EXPECT_EQ(registry.journal.back(), "connect");
  }
}

TEST_F(SettingsStoreTest, DesktopSaveWritesEveryUserSettingInOrder) {
  view_.options[static_cast<int>(StartupOption::kAutoRun)][0] = true;
  view_.options[static_cast<int>(StartupOption::kRunMinimize)][0] = true;
  view_.Fill(SettingsEdit::kServer, "", "ups.lan");
  view_.Fill(SettingsEdit::kPort, "", "1234");
  view_.Fill(SettingsEdit::kPassword, "", " pw ");
  view_.modes[1] = 1;
  view_.advanced = true;
  program_.language = 0x0419;
  SaveDesktop();
  EXPECT_THAT(registry_.journal,
              ElementsAre("open", "write-integer Auto Run=1", "write-integer As Service=0",
                          "write-integer Run Minimize=1", "write-string Remote Server UPS=ups.lan",
                          "write-integer Communication Port=1234", "write-string ServerPassword=!qx!",
                          "write-integer Shutdown Mode=1", "write-integer Advanced Interface=1",
                          "write-integer Language=1049", "close"));
  EXPECT_THAT(view_.log, IsEmpty());
}

// The edit that has the focus is copied to its twin before the master copy is
// stored; a change left behind in another simple-page edit is not.
TEST_F(SettingsStoreTest, SaveCopiesOnlyTheFocusedEditToItsTwin) {
  struct Case {
    std::optional<std::pair<SettingsEdit, SettingsPage>> focus;
    std::string server, port, password;  // as stored
  };
  const Case kCases[] = {
      {std::nullopt, "adv-server", "1111", "adv-pw"},
      {{{SettingsEdit::kServer, kAdvanced}}, "adv-server", "1111", "adv-pw"},
      {{{SettingsEdit::kServer, kSimple}}, "simple-server", "1111", "adv-pw"},
      {{{SettingsEdit::kPort, kSimple}}, "adv-server", "2222", "adv-pw"},
      {{{SettingsEdit::kPassword, kSimple}}, "adv-server", "1111", "simple-pw"},
  };
  for (const Case& test : kCases) {
    FakeRegistry registry;
    FakeView view(registry);
    view.Fill(SettingsEdit::kServer, "simple-server", "adv-server");
    view.Fill(SettingsEdit::kPort, "2222", "1111");
    view.Fill(SettingsEdit::kPassword, "simple-pw", "adv-pw");
    view.focus = test.focus;
    SettingsStore(registry, kCipher, kProgramFile).SaveDesktopSettings(view, program_);
    EXPECT_EQ(registry.String("Remote Server UPS"), test.server);
    EXPECT_EQ(registry.Integer("Communication Port"), std::stoul(test.port));
    EXPECT_EQ(registry.String("ServerPassword"), kCipher.encrypt(test.password));
    if (test.focus) {
      const SettingsEdit edit = test.focus->first;
      EXPECT_EQ(view.Edit(edit, kSimple), view.Edit(edit, kAdvanced)) << "the focused pair is in step";
    }
  }
}

TEST_F(SettingsStoreTest, BlankPasswordDeletesTheStoredOneAndSpacesAreKept) {
  struct Case {
    std::string typed;
    bool stored_before;
    std::optional<std::string> stored_after;
  };
  const Case kCases[] = {
      {"   ", true, std::nullopt},
      {"", true, std::nullopt},
      {"\t\x01 ", true, std::nullopt},
      {"", false, std::nullopt},
      {" pw ", false, "!qx!"},
      {" pw ", true, "!qx!"},
  };
  for (const Case& test : kCases) {
    FakeRegistry registry;
    if (test.stored_before) registry.SetString("ServerPassword", "old");
    FakeView view(registry);
    view.Fill(SettingsEdit::kPort, "9706", "9706");
    view.Fill(SettingsEdit::kPassword, "", test.typed);
    const SettingsStore store(registry, kCipher, kProgramFile);
    store.SaveDesktopSettings(view, program_);
    EXPECT_EQ(registry.String("ServerPassword"), test.stored_after) << "typed '" << test.typed << "'";
    store.LoadDesktopSettings(view, program_);
    EXPECT_EQ(view.Edit(SettingsEdit::kPassword, kSimple), test.stored_after ? test.typed : "");
  }
}

TEST_F(SettingsStoreTest, SavedPortIsReadByBothLoads) {
  view_.Fill(SettingsEdit::kPort, "9706", "1234");
  SaveDesktop();
  LoadDesktop();
  EXPECT_EQ(view_.Edit(SettingsEdit::kPort, kSimple), "1234");
  EXPECT_EQ(view_.Edit(SettingsEdit::kPort, kAdvanced), "1234");
  EXPECT_EQ(LoadService().port, 1234u);
}

TEST_F(SettingsStoreTest, FailedSaveEndsAtTheFailure) {
  struct Case {
    std::string failing_write;
    std::string port_text;
    std::string log;
  };
  const Case kCases[] = {
      {"Communication Port", "1234", "(630): Failed to set data for 'Communication Port'"},
      {"", "", "(630): '' is not a valid integer value"},
      {"", "12a", "(630): '12a' is not a valid integer value"},
  };
  for (const Case& test : kCases) {
    FakeRegistry registry;
    if (!test.failing_write.empty()) registry.failing_writes.insert(test.failing_write);
    FakeView view(registry);
    view.Fill(SettingsEdit::kServer, "", "ups.lan");
    view.Fill(SettingsEdit::kPort, "", test.port_text);
    SettingsStore(registry, kCipher, kProgramFile).SaveDesktopSettings(view, program_);
    EXPECT_THAT(view.log, ElementsAre(test.log));
    EXPECT_EQ(registry.String("Remote Server UPS"), "ups.lan") << "what came before stays written";
    EXPECT_FALSE(registry.Has("Communication Port"));
    EXPECT_FALSE(registry.Has("Shutdown Mode")) << "nothing after the failure is written";
    EXPECT_EQ(registry.journal.back(), "close");
  }
}

TEST_F(SettingsStoreTest, ServiceLoadReadsItsValuesInOrderThenStartsTheTimer) {
  StoreEverything();
  const ServiceSettings settings = LoadService();
  EXPECT_THAT(registry_.journal,
              ElementsAre("open", "exists Debug", "read-integer Debug", "log 4 Loading Settings...",
                          "exists Programm Path", "read-string Programm Path", "exists Remote Server UPS",
                          "read-string Remote Server UPS", "exists Communication Port",
                          "read-integer Communication Port", "exists ServerPassword", "read-string ServerPassword",
                          "exists Interval", "read-integer Interval", "timer-interval 5000", "exists Shutdown Mode",
                          "read-integer Shutdown Mode", "close", "timer-start"));
  const ServiceSettings expected{true, "D:\\Stored\\", "ups.lan", 1234, " pw ", 2, std::chrono::milliseconds(5000)};
  EXPECT_EQ(settings, expected);
}

TEST_F(SettingsStoreTest, ServiceLoadOnAnEmptyKey) {
  const ServiceSettings settings = LoadService();
  const ServiceSettings expected{false, "D:\\VQ\\", "", 9706, "", 0, std::chrono::milliseconds(1000)};
  EXPECT_EQ(settings, expected);
  EXPECT_THAT(registry_.Names(), ElementsAre("Programm Path"));
  EXPECT_TRUE(timer_.Enabled());
  EXPECT_EQ(timer_.Interval(), std::chrono::milliseconds(1000));
}

TEST_F(SettingsStoreTest, ProgramPathBeforeLoadStoresNothing) {
  EXPECT_EQ(store_.ProgramPathBeforeLoad(), "D:\\VQ\\");
  EXPECT_THAT(registry_.Names(), ElementsAre());
  registry_.SetString("Programm Path", "D:\\Stored\\");
  EXPECT_EQ(store_.ProgramPathBeforeLoad(), "D:\\Stored\\");
}

TEST_F(SettingsStoreTest, IntervalSetsTheDelayOfTheFirstTick) {
  const std::pair<std::uint32_t, std::int64_t> kIntervals[] = {{5, 5000}, {1, 1000}, {0, 0}, {4000000, 4000000000}};
  for (const auto& [seconds, milliseconds] : kIntervals) {
    registry_.SetInteger("Interval", seconds);
    EXPECT_EQ(LoadService().interval, std::chrono::milliseconds(milliseconds));
    EXPECT_EQ(timer_.Interval(), std::chrono::milliseconds(milliseconds));
  }
}

std::vector<std::string> LastTwo(const std::vector<std::string>& journal) {
  return journal.size() < 2 ? journal : std::vector<std::string>(journal.end() - 2, journal.end());
}

// A value of the wrong type ends the load where it is read: nothing after it is
// read, the log has the registry's text, and there is no connect and no timer.
TEST_F(SettingsStoreTest, WrongTypedValueEndsEitherLoadAtThatValue) {
  struct Case {
    std::string name;
    bool is_integer;
    bool read_by_service;
  };
  const Case kCases[] = {
      {"Debug", true, true},          {"Programm Path", false, true},      {"Language", true, false},
      {"Auto Run", true, false},      {"Run Minimize", true, false},       {"As Service", true, false},
      {"Remote Server UPS", false, true}, {"Communication Port", true, true}, {"ServerPassword", false, true},
      {"Advanced Interface", true, false}, {"Interval", true, true},        {"Shutdown Mode", true, true},
  };
  for (const Case& test : kCases) {
    FakeRegistry registry;
    registry.SetString("Programm Path", "D:\\VQ\\");
    if (test.is_integer) {
      registry.SetString(test.name, "1");
    } else {
      registry.SetInteger(test.name, 1);
    }
    const std::string read = (test.is_integer ? "read-integer " : "read-string ") + test.name;
    const std::string error = "Invalid data type for '" + test.name + "'";
    const SettingsStore store(registry, kCipher, kProgramFile);

    if (test.name != "Interval") {
      FakeView view(registry);
      DesktopProgramSettings program;
      store.LoadDesktopSettings(view, program);
      EXPECT_THAT(view.log, ElementsAre("(937): " + error));
      EXPECT_THAT(LastTwo(registry.journal), ElementsAre(read, "close")) << "desktop, " << test.name;
    }
    if (test.read_by_service) {
      registry.journal.clear();
      JournalTimer timer(registry);
      std::vector<std::string> log;
      store.LoadServiceSettings(timer, [&](const std::string& message, EventType type) {
        log.push_back(std::to_string(static_cast<int>(type)) + " " + message);
      });
      EXPECT_THAT(log, ElementsAre("1 (1007) " + error));
      EXPECT_THAT(LastTwo(registry.journal), ElementsAre(read, "close")) << "service, " << test.name;
      EXPECT_FALSE(timer.Enabled());
    }
  }
}

TEST_F(SettingsStoreTest, DebugStoredAsTextFailsBothLoadsBeforeAnythingElseIsRead) {
  StoreEverything();
  registry_.SetString("Debug", "1");
  view_.Fill(SettingsEdit::kServer, "previous", "previous");
  LoadDesktop();
  EXPECT_THAT(registry_.journal, ElementsAre("open", "exists Debug", "read-integer Debug", "close"));
  EXPECT_THAT(view_.log, ElementsAre("(937): Invalid data type for 'Debug'"));
  EXPECT_EQ(view_.Edit(SettingsEdit::kServer, kAdvanced), "previous") << "the controls keep their contents";

  registry_.journal.clear();
  EXPECT_EQ(LoadService(), ServiceSettings{});
  EXPECT_THAT(registry_.journal,
              ElementsAre("open", "exists Debug", "read-integer Debug", "close",
                          "log 1 (1007) Invalid data type for 'Debug'"));
  EXPECT_FALSE(timer_.Enabled());
}

TEST_F(SettingsStoreTest, UnopenableKeyFailsAtTheFirstWrite) {
  registry_.unopenable = true;
  LoadDesktop();
  SaveDesktop();
  EXPECT_THAT(view_.log, ElementsAre("(937): Failed to set data for 'Programm Path'",
                                     "(630): Failed to set data for 'Auto Run'"));
  EXPECT_EQ(std::count(registry_.journal.begin(), registry_.journal.end(), "connect"), 0);
  EXPECT_EQ(LoadService().program_path, "");
  EXPECT_EQ(registry_.journal.back(), "log 1 (1007) Failed to set data for 'Programm Path'");
  EXPECT_FALSE(timer_.Enabled());
}

}  // namespace
}  // namespace vq::testing
