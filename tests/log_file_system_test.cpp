// The log writer on the platform's real files.
#include "core/log_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>
#include <utility>

#include "core/log_file.h"
#include "tests/fakes/fake_clock.h"
#include "tests/fakes/fake_error_box.h"
#include "tests/fakes/fake_registry.h"
#include "tests/support/child_process.h"
#include "tests/support/log_append_helper.h"
#include "tests/support/log_texts.h"
#include "tests/support/temp_folder.h"

namespace vq {
namespace {

using testing::ReadWholeFile;
using testing::WriteWholeFile;

bool IsTimeStamp(const std::string& text) {
  const std::string shape = "00.00.0000 00:00:00";
  return std::equal(text.begin(), text.end(), shape.begin(), shape.end(),
                    [](char c, char expected) { return expected == '0' ? c >= '0' && c <= '9' : c == expected; });
}

constexpr char kHelloLine[] = "05.03.2024 07:08:09\thello\r\n";

class RealLogFileTest : public ::testing::Test {
 protected:
  void UseLog(const std::string& path) { registry_.SetString(kLogFileValue, path); }

  testing::TempFolder folder_;
  const std::string log_ = folder_.Path("VQCM.log");
  const std::string backup_ = folder_.Path("VQCM.bak");
  std::unique_ptr<LogFileSystem> files_ = CreateLogFileSystem();
  testing::FakeRegistry registry_;
  testing::FakeClock clock_;
  testing::FakeErrorBox error_box_;
  DesktopLogWriter desktop_{registry_, *files_, clock_, error_box_};
};

TEST_F(RealLogFileTest, SizeCountsFilesOnly) {
  WriteWholeFile(log_, "abc");
  EXPECT_EQ(files_->FileSize(log_), 3u);
  EXPECT_EQ(files_->FileSize(folder_.Path("")), std::nullopt) << "a folder";
  EXPECT_EQ(files_->FileSize(backup_), std::nullopt) << "missing";
  EXPECT_TRUE(files_->Exists(folder_.Path("")));
  EXPECT_FALSE(files_->Exists(backup_));
}

TEST_F(RealLogFileTest, RotatesOnlyPastTheLimit) {
  UseLog(log_);
  for (std::uint64_t size : {kLogSizeLimit, kLogSizeLimit + 1}) {
    std::string old_log(size, 'x');
    WriteWholeFile(log_, old_log);
    WriteWholeFile(backup_, "old backup");
    desktop_.WriteLog("hello");
    if (size > kLogSizeLimit) {
      EXPECT_EQ(ReadWholeFile(log_), kHelloLine) << "the new line starts a new file";
      EXPECT_EQ(ReadWholeFile(backup_), old_log) << "the old backup replaced";
    } else {
      EXPECT_EQ(ReadWholeFile(log_), old_log + kHelloLine) << "exactly the limit stays";
      EXPECT_EQ(ReadWholeFile(backup_), "old backup");
    }
  }
  EXPECT_TRUE(error_box_.shown.empty());
}

// A folder in the backup's place cannot be deleted, by root either.
TEST_F(RealLogFileTest, BackupThatCannotBeDeletedKeepsTheLineOut) {
  UseLog(log_);
  std::string old_log(kLogSizeLimit + 1, 'x');
  WriteWholeFile(log_, old_log);
  std::filesystem::create_directory(backup_);
  WriteWholeFile(folder_.Path("VQCM.bak/inside"), "keeps the folder non-empty");
  desktop_.WriteLog("hello");
  EXPECT_EQ(error_box_.shown, std::vector<std::string>{testing::kDesktopBackupFailed});
  EXPECT_EQ(ReadWholeFile(log_), old_log);
  EXPECT_TRUE(std::filesystem::is_directory(backup_));
}

TEST_F(RealLogFileTest, LogThatCannotBeOpenedIsReportedEveryTime) {
  for (const std::string& path : {folder_.Path(""), folder_.Path("missing/VQCM.log")}) {
    error_box_.shown.clear();
    UseLog(path);
    desktop_.WriteLog("hello");
    desktop_.WriteLog("hello");
    EXPECT_EQ(error_box_.shown, std::vector<std::string>(2, "Can Not open file for write: " + path));
  }
}

// Two programs that log at the same time: every line arrives whole.
TEST_F(RealLogFileTest, TwoWritersLoseAndTearNoLine) {
  constexpr int kLines = 10000;
  const std::string start_flag = folder_.Path("start");
  const std::string helper = testing::ProgramBesideThisOne(testing::kLogAppendHelper);
  const std::string count = std::to_string(kLines);
  std::vector<int> codes;
  {
    // The flag is made only once both are running, so that their writes overlap.
    std::thread starter([&] {
      auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (!(files_->Exists(start_flag + ".A") && files_->Exists(start_flag + ".B")) &&
             std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      WriteWholeFile(start_flag, "");
    });
    codes = testing::RunTogether({{helper, log_, start_flag, "A", count}, {helper, log_, start_flag, "B", count}});
    starter.join();
  }
  ASSERT_EQ(codes, (std::vector<int>{0, 0})) << helper;

  const std::string log = ReadWholeFile(log_);
  EXPECT_FALSE(files_->Exists(backup_)) << "the test stays below the rotation limit";
  std::set<std::pair<std::string, int>> seen;
  int switches = 0;
  std::string previous_tag;
  for (std::size_t start = 0; start < log.size();) {
    std::size_t end = log.find("\r\n", start);
    ASSERT_NE(end, std::string::npos) << "the last line is cut off";
    std::string line = log.substr(start, end - start);
    start = end + 2;
    // "dd.mm.yyyy hh:mm:ss" from the real clock, TAB, "<tag> <number> ..."
    ASSERT_GT(line.size(), 28u) << line;
    ASSERT_TRUE(IsTimeStamp(line.substr(0, 19))) << line;
    ASSERT_EQ(line[19], '\t') << line;
    std::string tag = line.substr(20, 1);
    int number = std::atoi(line.substr(22, 5).c_str());
    ASSERT_EQ(line.substr(20), testing::AppendHelperMessage(tag, number)) << "torn: " << line;
    EXPECT_TRUE(seen.emplace(tag, number).second) << "twice: " << line;
    if (!previous_tag.empty() && tag != previous_tag) ++switches;
    previous_tag = tag;
  }
  EXPECT_EQ(seen.size(), 2u * kLines);
  EXPECT_GT(switches, 1) << "the writers did not overlap";
}

}  // namespace
}  // namespace vq
