#pragma once

namespace vq::simulator {

// Turns Ctrl+C and termination requests into a flag that the main loop polls,
// so the simulator closes its sockets and files before it ends.
// Implementations: stop_signal_posix.cpp (SIGINT, SIGTERM), stop_signal_win.cpp
// (console control events).
void InstallStopSignalHandlers();
bool StopSignalled();

}  // namespace vq::simulator
