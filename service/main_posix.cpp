// The service program on Linux: a foreground daemon for systemd. The same module
// and control logic as on Windows; SIGTERM (or SIGINT) is the stop request.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "core/platform_info.h"
#include "service/core_service_parts.h"
#include "service/service_controller.h"
#include "service/service_module.h"
#include "service/systemd_notifier.h"

namespace vq {
namespace {

void Usage(std::ostream& out) {
  out << "Usage: vqveruredo [--dry-run | --real-power-actions]\n"
         "Runs the Vequor Clients Manager monitoring service in the foreground, as systemd\n"
         "starts it; SIGTERM stops it.\n"
         "  --dry-run             report a shutdown order in the log instead of acting on it (default)\n"
         "  --real-power-actions  really power off, suspend or hibernate through systemd\n";
}

std::string ExecutablePath() {
  std::vector<char> path(4096);
  ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
  return length > 0 ? std::string(path.data(), static_cast<std::size_t>(length)) : std::string();
}

}  // namespace
}  // namespace vq

int main(int argc, char** argv) {
  using namespace vq;
  ServicePartsOptions options{ExecutablePath()};
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--dry-run") {
      options.power_mode = PowerMode::kDryRun;
    } else if (argument == "--real-power-actions") {
      options.power_mode = PowerMode::kReal;
    } else if (argument == "--help" || argument == "-h") {
      Usage(std::cout);
      return 0;
    } else {
      std::cerr << "vqveruredo: unknown argument " << argument << "\n";
      Usage(std::cerr);
      return 2;
    }
  }

  // Every thread leaves the stop signals to the one that waits for them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  CoreServiceParts parts(options);
  TVQ_VEruredo module(parts, CreateTcpTransport, PlatformExitFlags());
  SystemdNotifier notifier;
  ServiceController controller(module, notifier);

  std::thread control([&] {
    controller.Run();
    module.StopTicks();
  });
  std::thread signals([&] {
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    controller.HandleControl(ServiceControl::kStop);
  });
  module.RunTicks();
  control.join();
  signals.join();
  return 0;
}
