#include <windows.h>

#include <atomic>

#include "tools/simulator/stop_signal.h"

namespace vq::simulator {
namespace {

std::atomic<bool> signalled{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
  signalled = true;
  // Windows ends the process as soon as this handler returns from a close event;
  // waiting a moment lets the main loop close its sockets and files first.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(1000);
  return TRUE;
}

}  // namespace

void InstallStopSignalHandlers() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

bool StopSignalled() { return signalled; }

}  // namespace vq::simulator
