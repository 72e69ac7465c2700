#include <algorithm>
#include "core/log_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "core/cp1251.h"
#include "tests/fakes/fake_clock.h"
#include "tests/fakes/fake_error_box.h"
#include "tests/fakes/fake_event_log.h"
#include "tests/fakes/fake_log_file_system.h"
#include "tests/fakes/fake_registry.h"
#include "tests/support/log_texts.h"

namespace vq {
namespace {

using testing::FakeEventLog;
using Entry = FakeEventLog::Entry;
using testing::kDesktopBackupFailed;
using testing::kServiceDeleteFailed;
using testing::kServiceOpenFailed;
using testing::kServiceRenameFailed;
using testing::kServiceWriteFailed;

constexpr char kLogPath[] = "C:\\VQ\\VQCM.log";
constexpr char kBackup[] = "C:\\VQ\\VQCM.bak";
// The line that a message "hello" gives with the fake clock.
constexpr char kHelloLine[] = "05.03.2024 07:08:09\thello";

TEST(FormatLogLineTest, TimeStampTabAndMessageOnOneLine) {
  struct Case {
    LocalTime time;
    char separator;
    std::string message;
    std::string line;
  } cases[] = {
      {{2024, 3, 5, 7, 8, 9}, ':', "hello", "05.03.2024 07:08:09\thello"},
      {{1999, 12, 31, 23, 59, 58}, ':', "", "31.12.1999 23:59:58\t"},
      {{2024, 1, 1, 0, 0, 0}, ':', "a\r\nb", "01.01.2024 00:00:00\ta  b"},
      {{2024, 1, 1, 0, 0, 0}, ':', "a\tb", "01.01.2024 00:00:00\ta\tb"},
      {{2024, 1, 1, 0, 0, 0}, ':', "\ra\nb\n\r", "01.01.2024 00:00:00\t a b  "},
      {{2024, 1, 1, 0, 0, 0}, '.', "x", "01.01.2024 00.00.00\tx"},
      {{987, 1, 1, 0, 0, 0}, ':', "x", "01.01.0987 00:00:00\tx"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatLogLine(c.time, c.separator, c.message), c.line) << c.message;
}

TEST(BackupPathTest, ExtensionBecomesBak) {
  struct Case {
    std::string log;
    std::string backup;
  } cases[] = {
      {"C:\\VQ\\VQCM.log", "C:\\VQ\\VQCM.bak"},
      {"VQM.log", "VQM.bak"},
      {"C:\\VQ\\log", "C:\\VQ\\log.bak"},
      {"C:\\v.d\\log", "C:\\v.d\\log.bak"},
      {"/var/v.d/log", "/var/v.d/log.bak"},
      {"a.b.log", "a.b.bak"},
      {"name.", "name.bak"},
      {"C:\\VQ\\old.BAK", "C:\\VQ\\old.BAK.bak"},  // never its own backup
  };
  for (const Case& c : cases) EXPECT_EQ(BackupPath(c.log), c.backup) << c.log;
}

TEST(Cp1251Test, RussianAlphabetAndAscii) {
  EXPECT_EQ(Cp1251FromUtf8("Log-\u0401\u0451\u0410\u042f\u0430\u044f"), "Log-\xa8\xb8\xc0\xdf\xe0\xff");
  EXPECT_EQ(Cp1251FromUtf8("\u20ac!"), "?!") << "outside the repertoire";
}

class LogWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { registry_.SetString(kLogFileValue, kLogPath); }

  // A log just past the limit, and an old backup, ready for a rotation.
  void PrepareRotation() {
    files_.files[kLogPath] = std::string(kLogSizeLimit + 1, 'x');
    files_.files[kBackup] = "old backup";
  }

  testing::FakeRegistry registry_;
  testing::FakeLogFileSystem files_;
  testing::FakeClock clock_;
  testing::FakeErrorBox error_box_;
  FakeEventLog event_log_;
  DesktopLogWriter desktop_{registry_, files_, clock_, error_box_};
  ServiceLogWriter service_{registry_, files_, clock_, event_log_};
};

TEST_F(LogWriterTest, LineAndCrLfGoOutInOneWrite) {
  desktop_.WriteLog("hello");
  ASSERT_EQ(files_.appends.size(), 1u);
  EXPECT_EQ(files_.appends[0], std::string(kHelloLine) + "\r\n");
  EXPECT_EQ(files_.files[kLogPath], std::string(kHelloLine) + "\r\n");
  EXPECT_TRUE(error_box_.shown.empty());
  EXPECT_EQ(files_.open_handles, 0) << "closed again";
  EXPECT_EQ(registry_.open_keys, 0) << "closed again";
}

TEST_F(LogWriterTest, FirstUseWritesTheProgramsDefaultPath) {
  struct Case {
    bool service;
    std::string program_path;
    std::string path;
  } cases[] = {
      {false, "C:\\Program Files\\VQ\\", "C:\\Program Files\\VQ\\VQCM.log"},
      {false, "", "VQCM.log"},
      {true, "C:\\VQ\\", "C:\\VQ\\VQM.log"},
      {true, "", "VQM.log"},
  };
  for (const Case& c : cases) {
    registry_.Clear();
    files_.files.clear();
    if (c.service) {
      service_.SetProgramPath(c.program_path);
      service_.WriteLog("hello", EventType::kInformation);
    } else {
      desktop_.SetProgramPath(c.program_path);
      desktop_.WriteLog("hello");
    }
    EXPECT_EQ(registry_.String(kLogFileValue), c.path);
    EXPECT_EQ(files_.files[c.path], std::string(kHelloLine) + "\r\n") << c.path;
  }
}

TEST_F(LogWriterTest, TheFirstProgramNamesTheLogForBoth) {
  registry_.Clear();
  service_.SetProgramPath("C:\\VQ\\");
  desktop_.SetProgramPath("C:\\VQ\\");
  service_.WriteLog("from the service", EventType::kInformation);
  desktop_.WriteLog("from the desktop");
  EXPECT_EQ(files_.files.size(), 1u);
  EXPECT_EQ(files_.files["C:\\VQ\\VQM.log"],
            "05.03.2024 07:08:09\tfrom the service\r\n05.03.2024 07:08:09\tfrom the desktop\r\n");
}

TEST_F(LogWriterTest, ReadsTheSettingOnEveryLine) {
  desktop_.WriteLog("one");
  registry_.SetString(kLogFileValue, "D:\\moved.log");
  desktop_.WriteLog("two");
  EXPECT_EQ(std::count(registry_.journal.begin(), registry_.journal.end(), "open"), 2);
  EXPECT_EQ(files_.opens, 2);
  EXPECT_EQ(files_.files["D:\\moved.log"], "05.03.2024 07:08:09\ttwo\r\n");
}

TEST_F(LogWriterTest, SettingsErrorsReachTheCaller) {
  struct Case {
    std::function<void(testing::FakeRegistry&)> setup;
    std::string error;
  } cases[] = {
      {[](testing::FakeRegistry& r) {
         r.Clear();
         r.failing_writes.insert(kLogFileValue);
       },
       "Failed to set data for 'LogFile'"},
      {[](testing::FakeRegistry& r) { r.unopenable = true; }, "Failed to set data for 'LogFile'"},
      {[](testing::FakeRegistry& r) { r.SetInteger(kLogFileValue, 1); }, "Invalid data type for 'LogFile'"},
  };
  for (const Case& c : cases) {
    testing::FakeRegistry registry;
    c.setup(registry);
    DesktopLogWriter desktop(registry, files_, clock_, error_box_);
    ServiceLogWriter service(registry, files_, clock_, event_log_);
    try {
      desktop.WriteLog("hello");
      ADD_FAILURE() << "desktop: no error for " << c.error;
    } catch (const RegistryError& error) {
      EXPECT_EQ(error.what(), c.error);
    }
    try {
      service.WriteLog("hello", EventType::kError);
      ADD_FAILURE() << "service: no error for " << c.error;
    } catch (const RegistryError& error) {
      EXPECT_EQ(error.what(), c.error);
    }
  }
  EXPECT_TRUE(error_box_.shown.empty());
  EXPECT_TRUE(event_log_.entries.empty());
  EXPECT_TRUE(files_.files.empty());
}

TEST_F(LogWriterTest, RotatesWithoutAnOldBackup) {
  files_.files[kLogPath] = std::string(kLogSizeLimit + 1, 'x');
  desktop_.WriteLog("hello");
  EXPECT_EQ(files_.files[kBackup].size(), kLogSizeLimit + 1);
  EXPECT_EQ(files_.files[kLogPath], std::string(kHelloLine) + "\r\n");
}

// One failure of the log each; the same set-ups drive the desktop and the service.
struct Failure {
  const char* name;
  std::function<void(testing::FakeLogFileSystem&)> setup;
  bool rotation;  // the line is lost from the file and the log left as it was
};

const Failure kFailures[] = {
    {"backup not deleted", [](testing::FakeLogFileSystem& f) { f.undeletable.insert(kBackup); }, true},
    {"log not renamed", [](testing::FakeLogFileSystem& f) { f.rename_fails = true; }, true},
    {"log is a folder",
     [](testing::FakeLogFileSystem& f) {
       f.files.clear();
       f.folders.insert(kLogPath);
     },
     false},
    {"folder missing", [](testing::FakeLogFileSystem& f) { f.unopenable.insert(kLogPath); }, false},
    {"short write", [](testing::FakeLogFileSystem& f) { f.short_write = 5; }, false},
    {"write raised", [](testing::FakeLogFileSystem& f) { f.write_error = "Disk gone"; }, false},
};

TEST_F(LogWriterTest, DesktopShowsEachFailureInABox) {
  const std::string expected[] = {
      kDesktopBackupFailed,
      kDesktopBackupFailed,
      std::string("Can Not open file for write: ") + kLogPath,
      std::string("Can Not open file for write: ") + kLogPath,
      std::string("Write Error in File: ") + kLogPath,
      "Disk gone",
  };
  for (std::size_t i = 0; i < std::size(kFailures); ++i) {
    SCOPED_TRACE(kFailures[i].name);
    files_ = {};
    error_box_.shown.clear();
    PrepareRotation();
    kFailures[i].setup(files_);
    const auto before = files_.files;
    error_box_.while_shown = [&] { EXPECT_EQ(files_.open_handles, 0) << "the file is not held open under the box"; };
    desktop_.WriteLog("hello");
    EXPECT_EQ(error_box_.shown, std::vector<std::string>{expected[i]});
    if (kFailures[i].rotation) {
      EXPECT_EQ(files_.files[kLogPath], before.at(kLogPath)) << "the log is left as it was";
      EXPECT_TRUE(files_.appends.empty());
    }
  }
}

TEST_F(LogWriterTest, FailedRotationIsTriedAgainByTheNextLine) {
  PrepareRotation();
  files_.undeletable.insert(kBackup);
  desktop_.WriteLog("lost");
  files_.undeletable.clear();
  desktop_.WriteLog("hello");
  EXPECT_EQ(files_.files[kLogPath], std::string(kHelloLine) + "\r\n");
  EXPECT_EQ(files_.files[kBackup].size(), kLogSizeLimit + 1);
}

TEST_F(LogWriterTest, DesktopLogsAgainWhileTheBoxIsUp) {
  files_.unopenable.insert(kLogPath);
  error_box_.while_shown = [&] {
    error_box_.while_shown = nullptr;
    files_.unopenable.clear();
    desktop_.WriteLog("hello");  // a timer tick inside the box's message loop
  };
  desktop_.WriteLog("lost");
  EXPECT_EQ(error_box_.shown.size(), 1u);
  EXPECT_EQ(files_.files[kLogPath], std::string(kHelloLine) + "\r\n");
}

TEST_F(LogWriterTest, ServiceWritesFailuresAndCopiesToTheEventLog) {
  const Entry path_entry{EventType::kInformation, std::string("Log file=") + kLogPath};
  const Entry error_copy{EventType::kError, kHelloLine};
  const Entry open_failed{EventType::kError, kServiceOpenFailed + std::string(kLogPath)};
  const Entry write_failed{EventType::kError, kServiceWriteFailed + std::string(kLogPath)};
  struct Case {
    int failure;  // index into kFailures, -1 for none
    EventType type;
    std::vector<Entry> entries;
  } cases[] = {
      {-1, EventType::kInformation, {path_entry}},
      {-1, EventType::kError, {path_entry, error_copy}},
      {0,
       EventType::kInformation,
       {path_entry, {EventType::kError, kServiceDeleteFailed}, {EventType::kInformation, kHelloLine}}},
      {0, EventType::kError, {path_entry, {EventType::kError, kServiceDeleteFailed}, error_copy}},
      {1,
       EventType::kInformation,
       {path_entry, {EventType::kError, kServiceRenameFailed}, {EventType::kInformation, kHelloLine}}},
      {1, EventType::kError, {path_entry, {EventType::kError, kServiceRenameFailed}, error_copy}},
      {2, EventType::kInformation, {path_entry, open_failed}},
      {3, EventType::kError, {path_entry, open_failed, error_copy}},
      {4, EventType::kInformation, {path_entry, write_failed}},
      {4, EventType::kError, {path_entry, write_failed, error_copy}},
      {5, EventType::kInformation, {path_entry, write_failed, {EventType::kError, "Disk gone"}}},
      {5, EventType::kError, {path_entry, write_failed, {EventType::kError, "Disk gone"}, error_copy}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.failure < 0 ? "written" : kFailures[c.failure].name) + ", type " +
                 std::to_string(static_cast<int>(c.type)));
    files_ = {};
    event_log_.entries.clear();
    PrepareRotation();
    if (c.failure >= 0) kFailures[c.failure].setup(files_);
    service_.WriteLog("hello", c.type);
    EXPECT_EQ(event_log_.entries, c.entries);
  }
}

TEST_F(LogWriterTest, ServiceTakesTwoThreadsOneAtATime) {
  constexpr int kLines = 500;
  auto write_lines = [&](const char* message) {
    for (int i = 0; i < kLines; ++i) service_.WriteLog(message, EventType::kInformation);
  };
  std::thread other(write_lines, "b");
  write_lines("a");
  other.join();
  EXPECT_EQ(files_.appends.size(), 2u * kLines);
  EXPECT_EQ(files_.files[kLogPath].size(), 2u * kLines * (sizeof("05.03.2024 07:08:09\ta\r\n") - 1));
}

}  // namespace
}  // namespace vq
