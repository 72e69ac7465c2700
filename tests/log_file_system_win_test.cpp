// What only Windows has: read-only files, files held open against deletion,
// and the log's write sharing.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "core/log_file.h"
#include "core/log_file_system.h"
#include "tests/fakes/fake_clock.h"
#include "tests/fakes/fake_error_box.h"
#include "tests/fakes/fake_event_log.h"
#include "tests/fakes/fake_registry.h"
#include "tests/support/log_texts.h"
#include "tests/support/temp_folder.h"

namespace vq {
namespace {

using testing::ReadWholeFile;
using testing::WriteWholeFile;

class OpenFile {
 public:
  OpenFile(const std::string& path, DWORD access, DWORD share)
      : handle_(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~OpenFile() {
    if (opened()) CloseHandle(handle_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  bool opened() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

class WinLogFileTest : public ::testing::Test {
 protected:
  void SetUp() override { registry_.SetString(kLogFileValue, log_); }

  testing::TempFolder folder_;
  const std::string log_ = folder_.Path("VQM.log");
  const std::string backup_ = folder_.Path("VQM.bak");
  std::unique_ptr<LogFileSystem> files_ = CreateLogFileSystem();
  testing::FakeRegistry registry_;
  testing::FakeClock clock_;
  testing::FakeErrorBox error_box_;
  testing::FakeEventLog event_log_;
  DesktopLogWriter desktop_{registry_, *files_, clock_, error_box_};
  ServiceLogWriter service_{registry_, *files_, clock_, event_log_};
};

TEST_F(WinLogFileTest, RotationThatCannotMoveTheFilesKeepsTheLineOut) {
  struct Case {
    const char* name;
    // Sets up the obstacle; what it returns holds a file open until the call is over.
    std::function<std::unique_ptr<OpenFile>(const std::string& log, const std::string& backup)> obstacle;
    std::string desktop_text;
    std::string service_text;
  } cases[] = {
      {"read-only backup",
       [](const std::string&, const std::string& backup) {
         SetFileAttributesA(backup.c_str(), FILE_ATTRIBUTE_READONLY);
         return std::unique_ptr<OpenFile>();
       },
       testing::kDesktopBackupFailed, testing::kServiceDeleteFailed},
      {"locked backup",
       [](const std::string&, const std::string& backup) {
         return std::make_unique<OpenFile>(backup, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
       },
       testing::kDesktopBackupFailed, testing::kServiceDeleteFailed},
      {"log held open by another writer",
       [](const std::string& log, const std::string&) {
         return std::make_unique<OpenFile>(log, GENERIC_WRITE, FILE_SHARE_WRITE);
       },
       testing::kDesktopBackupFailed, testing::kServiceRenameFailed},
  };
  const std::string old_log(kLogSizeLimit + 1, 'x');
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool service : {false, true}) {
      WriteWholeFile(log_, old_log);
      WriteWholeFile(backup_, "old backup");
      error_box_.shown.clear();
      event_log_.entries.clear();
      {
        std::unique_ptr<OpenFile> held = c.obstacle(log_, backup_);
        if (held) {
          ASSERT_TRUE(held->opened());
        }
        if (service) {
          service_.WriteLog("hello", EventType::kInformation);
        } else {
          desktop_.WriteLog("hello");
        }
      }
      SetFileAttributesA(backup_.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (service) {
        ASSERT_EQ(event_log_.entries.size(), 3u);
        EXPECT_EQ(event_log_.entries[1].text, c.service_text);
      } else {
        EXPECT_EQ(error_box_.shown, std::vector<std::string>{c.desktop_text});
      }
      EXPECT_EQ(ReadWholeFile(log_), old_log) << "the line is not written";
    }
  }
}

TEST_F(WinLogFileTest, WritersShareTheLogAndReadersWait) {
  std::unique_ptr<LogFileHandle> first = files_->OpenForAppend(log_);
  ASSERT_TRUE(first);
  std::unique_ptr<LogFileHandle> second = files_->OpenForAppend(log_);
  ASSERT_TRUE(second) << "another writer may hold the log at the same time";
  EXPECT_EQ(first->Append("one\r\n"), 5u);
  EXPECT_EQ(second->Append("two\r\n"), 5u);
  EXPECT_EQ(first->Append("three\r\n"), 7u);
  {
    OpenFile reader(log_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_FALSE(reader.opened()) << "a reader is kept out";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  }
  first.reset();
  second.reset();
  EXPECT_EQ(ReadWholeFile(log_), "one\r\ntwo\r\nthree\r\n") << "each write lands at the end";
}

}  // namespace
}  // namespace vq
