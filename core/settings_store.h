#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "core/event_type.h"
#include "core/poll_timer.h"
#include "core/registry.h"

namespace vq {

// The values of the settings key.
inline constexpr char kDebugValue[] = "Debug";
inline constexpr char kProgramPathValue[] = "Programm Path";
inline constexpr char kLanguageValue[] = "Language";
inline constexpr char kAutoRunValue[] = "Auto Run";
inline constexpr char kRunMinimizeValue[] = "Run Minimize";
inline constexpr char kAsServiceValue[] = "As Service";
inline constexpr char kServerValue[] = "Remote Server UPS";
inline constexpr char kPortValue[] = "Communication Port";
inline constexpr char kPasswordValue[] = "ServerPassword";
inline constexpr char kAdvancedInterfaceValue[] = "Advanced Interface";
inline constexpr char kShutdownModeValue[] = "Shutdown Mode";
// "LogFile" (kLogFileValue) belongs to the log writer, core/log_file.h.
inline constexpr char kIntervalValue[] = "Interval";

inline constexpr std::uint16_t kDefaultLanguage = 1033;
inline constexpr std::uint32_t kDefaultPort = 9706;
inline constexpr std::chrono::milliseconds kDefaultFirstTickDelay{1000};

inline constexpr char kDesktopLoadFailedPrefix[] = "(937): ";
inline constexpr char kDesktopSaveFailedPrefix[] = "(630): ";
inline constexpr char kServiceLoadFailedPrefix[] = "(1007) ";
inline constexpr char kLoadingSettingsText[] = "Loading Settings...";

// A setting that cannot be stored as it stands, such as a port edit that holds
// no number.
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The stored form of the server password and back again.
using PasswordTransform = std::function<std::string(const std::string&)>;
struct PasswordCipher {
  PasswordTransform encrypt;  // used by the desktop save only
  PasswordTransform decrypt;
};

// Every settings control of the desktop window exists on both pages; the
// advanced page holds the master copy, which loads fill and saves read.
enum class SettingsPage { kSimple, kAdvanced };
enum class StartupOption { kAutoRun, kRunMinimize, kAsService };  // check box pairs
enum class SettingsEdit { kServer, kPort, kPassword };            // edit pairs

// What the desktop window offers its settings load and save. Setting a control
// here must not count as a user's change (the window's change handlers act only
// on the control that has the input focus).
class DesktopSettingsView {
 public:
  virtual ~DesktopSettingsView() = default;
  virtual bool OptionChecked(StartupOption option, SettingsPage page) const = 0;
  virtual void SetOptionChecked(StartupOption option, SettingsPage page, bool checked) = 0;
  // The port edit's text is its whole-number value.
  virtual std::string EditText(SettingsEdit edit, SettingsPage page) const = 0;
  virtual void SetEditText(SettingsEdit edit, SettingsPage page, const std::string& text) = 0;
  virtual bool EditHasFocus(SettingsEdit edit, SettingsPage page) const = 0;
  virtual int ShutdownModeIndex(SettingsPage page) const = 0;
  virtual void SetShutdownModeIndex(SettingsPage page, int index) = 0;
  // The check mark of `AInterfaceAdvance`.
  virtual bool AdvancedInterface() const = 0;
  // Sets that check mark and shows the advanced page when it is set, the simple one when not.
  virtual void ApplyInterfaceMode(bool advanced) = 0;
  virtual void ConnectToServer() = 0;
  virtual void WriteLog(const std::string& message) = 0;
};

// The desktop monitor's program-wide variables that a load sets.
struct DesktopProgramSettings {
  bool debug = false;
  std::string program_path;
  std::uint16_t language = kDefaultLanguage;
  bool as_service = false;
};

// What the service keeps of a load: a plain value, so that its host can hand it
// to the thread that ticks as one whole. Empty (no server, port 0) until loaded;
// a load that fails keeps what it read up to the failure.
struct ServiceSettings {
  bool debug = false;
  std::string program_path;
  std::string server;
  std::uint32_t port = 0;
  std::string password;
  int shutdown_mode = 0;
  // The delay of the first tick after the load, as given to the timer; nothing
  // when the load ended before it.
  std::optional<std::chrono::milliseconds> interval;

  bool operator==(const ServiceSettings&) const = default;
};

// Named apart from the log writer class of core/log_file.h, which a service includes too.
using ServiceLogFunction = std::function<void(const std::string& message, EventType type)>;

// The loads and the save of both programs. Each opens the settings key afresh
// and closes it at its end; nothing is cached between them. Each catches its
// own failures, logs them after its fixed prefix and ends at that point.
class SettingsStore {
 public:
  // `program_file` is the running program's file: its folder, with the trailing
  // separator, becomes "Programm Path" when that value is missing.
  SettingsStore(SettingsRegistry& registry, PasswordCipher cipher, std::string program_file);

  // `ALoadSettingsExecute` of the desktop monitor: fills the master copy of each
  // control and its twin, then connects to the server; a failed load does not.
  void LoadDesktopSettings(DesktopSettingsView& view, DesktopProgramSettings& program) const;

  // `ASaveSettingsExecute`: writes every user setting from the master copies,
  // first bringing the edit that has the focus and its twin into line.
  void SaveDesktopSettings(DesktopSettingsView& view, const DesktopProgramSettings& program) const;

  // `ALoadSettingsExecute` of the service: sets the timer's interval from
  // "Interval" and switches it on at the end; a failed load leaves it off.
  ServiceSettings LoadServiceSettings(PollTimer& timer, const ServiceLogFunction& write_log) const;

  // "Programm Path" as a load would give it, without storing anything: the stored
  // value, or the program's own folder. For a log line written before the first load.
  std::string ProgramPathBeforeLoad() const;

 private:
  std::string ReadProgramPath(SettingsKey& key) const;

  SettingsRegistry& registry_;
  PasswordCipher cipher_;
  std::string program_file_;
};

}  // namespace vq
