#include <signal.h>

#include <atomic>

#include "tools/simulator/stop_signal.h"

namespace vq::simulator {
namespace {

std::atomic<bool> signalled{false};

void OnSignal(int) { signalled = true; }

}  // namespace

void InstallStopSignalHandlers() {
  struct sigaction action{};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

bool StopSignalled() { return signalled; }

}  // namespace vq::simulator
