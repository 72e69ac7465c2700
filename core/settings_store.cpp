#include "core/settings_store.h"

#include <charconv>
#include <utility>

#include "core/command_client.h"

namespace vq {
namespace {

constexpr SettingsPage kSimple = SettingsPage::kSimple;
constexpr SettingsPage kAdvanced = SettingsPage::kAdvanced;

// A boolean is a REG_DWORD; any value but 0 reads as true.
bool ReadBool(SettingsKey& key, const char* name) { return key.ValueExists(name) && key.ReadInteger(name) != 0; }

void WriteBool(SettingsKey& key, const char* name, bool value) { key.WriteInteger(name, value ? 1 : 0); }

std::uint32_t ReadIntegerOr(SettingsKey& key, const char* name, std::uint32_t fallback) {
  return key.ValueExists(name) ? key.ReadInteger(name) : fallback;
}

std::string ReadStringOr(SettingsKey& key, const char* name) {
  return key.ValueExists(name) ? key.ReadString(name) : std::string();
}

std::string ReadPassword(SettingsKey& key, const PasswordTransform& decrypt) {
  return key.ValueExists(kPasswordValue) ? decrypt(key.ReadString(kPasswordValue)) : std::string();
}

// The folder of a program file with its trailing separator ("C:\Vequor\" for
// "C:\Vequor\VQVEruredo.exe"); empty for a bare file name.
std::string ProgramFolderOf(const std::string& program_file) {
  const std::size_t separator = program_file.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : program_file.substr(0, separator + 1);
}

void LoadOption(SettingsKey& key, DesktopSettingsView& view, StartupOption option, const char* name) {
  view.SetOptionChecked(option, kSimple, ReadBool(key, name));
  view.SetOptionChecked(option, kAdvanced, view.OptionChecked(option, kSimple));
}

void LoadEdit(DesktopSettingsView& view, SettingsEdit edit, const std::string& text) {
  view.SetEditText(edit, kAdvanced, text);
  view.SetEditText(edit, kSimple, view.EditText(edit, kAdvanced));
}

// The edit that has the focus holds the user's latest typing: its twin takes its
// text. Returns the master copy's text, which is what gets stored.
std::string MasterTextAfterFocusRule(DesktopSettingsView& view, SettingsEdit edit) {
  if (view.EditHasFocus(edit, kAdvanced)) {
    view.SetEditText(edit, kSimple, view.EditText(edit, kAdvanced));
  } else if (view.EditHasFocus(edit, kSimple)) {
    view.SetEditText(edit, kAdvanced, view.EditText(edit, kSimple));
  }
  return view.EditText(edit, kAdvanced);
}

// The port edit's value as a number; an edit that holds no whole number (for
// example one the user emptied) ends the save before the port is written.
std::uint32_t PortNumber(const std::string& text) {
  const std::string digits = TrimControlAndSpace(text);
  std::uint32_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    throw SettingsError("'" + text + "' is not a valid integer value");
  }
  return number;
}

}  // namespace

SettingsStore::SettingsStore(SettingsRegistry& registry, PasswordCipher cipher, std::string program_file)
    : registry_(registry), cipher_(std::move(cipher)), program_file_(std::move(program_file)) {}

std::string SettingsStore::ReadProgramPath(SettingsKey& key) const {
  if (!key.ValueExists(kProgramPathValue)) key.WriteString(kProgramPathValue, ProgramFolderOf(program_file_));
  return key.ReadString(kProgramPathValue);
}

void SettingsStore::LoadDesktopSettings(DesktopSettingsView& view, DesktopProgramSettings& program) const {
  try {
    const auto key = registry_.OpenSettingsKey();
    program.debug = ReadBool(*key, kDebugValue);
    program.program_path = ReadProgramPath(*key);
    // A language identifier has 16 bits; the rest of the value is not used.
    program.language = static_cast<std::uint16_t>(ReadIntegerOr(*key, kLanguageValue, kDefaultLanguage));
    LoadOption(*key, view, StartupOption::kAutoRun, kAutoRunValue);
    LoadOption(*key, view, StartupOption::kRunMinimize, kRunMinimizeValue);
    LoadOption(*key, view, StartupOption::kAsService, kAsServiceValue);
    program.as_service = view.OptionChecked(StartupOption::kAsService, kSimple);
    LoadEdit(view, SettingsEdit::kServer, ReadStringOr(*key, kServerValue));
    LoadEdit(view, SettingsEdit::kPort, std::to_string(ReadIntegerOr(*key, kPortValue, kDefaultPort)));
    LoadEdit(view, SettingsEdit::kPassword, ReadPassword(*key, cipher_.decrypt));
    view.ApplyInterfaceMode(ReadBool(*key, kAdvancedInterfaceValue));
    view.SetShutdownModeIndex(kAdvanced, static_cast<int>(ReadIntegerOr(*key, kShutdownModeValue, 0)));
    view.SetShutdownModeIndex(kSimple, view.ShutdownModeIndex(kAdvanced));
  } catch (const std::exception& error) {
    view.WriteLog(kDesktopLoadFailedPrefix + std::string(error.what()));
    return;
  }
  view.ConnectToServer();
}

void SettingsStore::SaveDesktopSettings(DesktopSettingsView& view, const DesktopProgramSettings& program) const {
  try {
    const auto key = registry_.OpenSettingsKey();
    WriteBool(*key, kAutoRunValue, view.OptionChecked(StartupOption::kAutoRun, kSimple));
    WriteBool(*key, kAsServiceValue, view.OptionChecked(StartupOption::kAsService, kSimple));
    WriteBool(*key, kRunMinimizeValue, view.OptionChecked(StartupOption::kRunMinimize, kSimple));
    key->WriteString(kServerValue, MasterTextAfterFocusRule(view, SettingsEdit::kServer));
    key->WriteInteger(kPortValue, PortNumber(MasterTextAfterFocusRule(view, SettingsEdit::kPort)));
    // A blank password is no password; a real one is stored as typed, spaces and all.
    const std::string password = MasterTextAfterFocusRule(view, SettingsEdit::kPassword);
    if (!TrimControlAndSpace(password).empty()) {
      key->WriteString(kPasswordValue, cipher_.encrypt(password));
    } else if (key->ValueExists(kPasswordValue)) {
      key->DeleteValue(kPasswordValue);
    }
    key->WriteInteger(kShutdownModeValue, static_cast<std::uint32_t>(view.ShutdownModeIndex(kAdvanced)));
    WriteBool(*key, kAdvancedInterfaceValue, view.AdvancedInterface());
    key->WriteInteger(kLanguageValue, program.language);
  } catch (const std::exception& error) {
    view.WriteLog(kDesktopSaveFailedPrefix + std::string(error.what()));
  }
}

std::string SettingsStore::ProgramPathBeforeLoad() const {
  const auto key = registry_.OpenSettingsKey();
  return key->ValueExists(kProgramPathValue) ? key->ReadString(kProgramPathValue) : ProgramFolderOf(program_file_);
}

ServiceSettings SettingsStore::LoadServiceSettings(PollTimer& timer, const ServiceLogFunction& write_log) const {
  ServiceSettings settings;
  try {
    {
      const auto key = registry_.OpenSettingsKey();
      settings.debug = ReadBool(*key, kDebugValue);
      if (settings.debug) write_log(kLoadingSettingsText, EventType::kInformation);
      settings.program_path = ReadProgramPath(*key);
      settings.server = ReadStringOr(*key, kServerValue);
      settings.port = ReadIntegerOr(*key, kPortValue, kDefaultPort);
      settings.password = ReadPassword(*key, cipher_.decrypt);
      // Seconds until the first tick after the load; the loop sets its own interval from then on.
      settings.interval = key->ValueExists(kIntervalValue)
                              ? std::chrono::milliseconds(std::int64_t{key->ReadInteger(kIntervalValue)} * 1000)
                              : kDefaultFirstTickDelay;
      timer.SetInterval(*settings.interval);
      settings.shutdown_mode = static_cast<int>(ReadIntegerOr(*key, kShutdownModeValue, 0));
    }
    timer.Start();
  } catch (const std::exception& error) {
    write_log(kServiceLoadFailedPrefix + std::string(error.what()), EventType::kError);
  }
  return settings;
}

}  // namespace vq
