// A second writer for the concurrency test: says it is ready with a file of its
// own (the start flag's name, a point and its tag), waits until the start flag
// exists, then appends its numbered lines through the desktop writer and the real files.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/log_file.h"
#include "tests/fakes/fake_registry.h"
#include "tests/support/log_append_helper.h"

namespace {

class CountingErrorBox final : public vq::ErrorBox {
 public:
  int count = 0;
  void Show(const std::string& text) override {
    ++count;
    std::fprintf(stderr, "%s\n", text.c_str());
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  vq::testing::FakeRegistry registry;
  registry.SetString(vq::kLogFileValue, argv[1]);
  std::unique_ptr<vq::LogFileSystem> files = vq::CreateLogFileSystem();
  std::unique_ptr<vq::LocalClock> clock = vq::CreateLocalClock();
  CountingErrorBox error_box;
  vq::DesktopLogWriter writer(registry, *files, *clock, error_box);

  const std::string start_flag = argv[2];
  const std::string tag = argv[3];
  if (auto ready = files->OpenForAppend(start_flag + "." + tag); !ready) return 3;
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!files->Exists(start_flag)) {
    if (std::chrono::steady_clock::now() > give_up) return 3;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  int count = std::atoi(argv[4]);
  for (int number = 0; number < count; ++number) writer.WriteLog(vq::testing::AppendHelperMessage(tag, number));
  return error_box.count == 0 ? 0 : 1;
}
