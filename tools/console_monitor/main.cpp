// The console monitor: runs the desktop monitor's loop against a UPS server given on
// the command line and prints each notification as a line. It never powers anything
// off: a shutdown order is only reported.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <sstream>
#include <iostream>
#include <string>
#include <thread>

#include "core/monitoring_loop.h"
#include "core/platform_info.h"
#include "core/run_loop_timer.h"
#include "core/ups_display_model.h"

namespace {

std::atomic<bool> stop_requested{false};

void RequestStop(int) { stop_requested = true; }

std::string Clock() {
  std::time_t now = std::time(nullptr);
  char text[16];
  std::strftime(text, sizeof(text), "%H:%M:%S", std::localtime(&now));
  return text;
}

// Status lines from the server end in CR LF; one printed line each.
std::string OneLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

class ConsoleHost final : public vq::DesktopLoopHost {
 public:
  ConsoleHost(vq::ConnectionParameters parameters, bool stop_on_shutdown)
      : parameters_(std::move(parameters)), stop_on_shutdown_(stop_on_shutdown) {}

  vq::ConnectionParameters ConnectionSettings() override { return parameters_; }
  void ShutdownComputer(std::uint32_t exit_flags) override {
    Print("SHUTDOWN", "shutdown ordered (exit flags " + std::to_string(exit_flags) +
                          "); the console monitor never powers anything off");
    if (stop_on_shutdown_) stop_requested = true;
  }
  void WriteLog(const std::string& message) override { Print("log", OneLine(message)); }
  void OnStatusLine(const std::string& text) override { Print("status", OneLine(text)); }
  void OnAlert(const std::string& text) override { Print("ALERT", OneLine(text)); }
  void OnDataLost() override {
    model_.ClearUpsData();
    Print("data", "lost");
  }
  void OnUpsData(const std::string& record) override {
    if (model_.ShowUpsData(record, true)) Print("data", Describe(record));
  }
  void OnCountdown(std::int32_t seconds) override {
    if (seconds == last_countdown_) return;
    last_countdown_ = seconds;
    Print("countdown", seconds > 0 ? "shutdown in " + std::to_string(seconds) + " s" : "none (" + std::to_string(seconds) + ")");
  }

 private:
  static void Print(const char* kind, const std::string& text) {
    std::cout << Clock() << "  " << kind << ": " << text << std::endl;
  }

  // What the desktop window would show of the record: its gauges, the lit lamps
  // and the picture, followed by the record as it came.
  std::string Describe(const std::string& record) const {
    std::ostringstream out;
    out << std::fixed << std::setprecision(1) << "input " << model_.pbIU().Position() << " V, output "
        << model_.pbOU().Position() << " V, load " << model_.pbLoad().Position() << " %, battery "
        << model_.pbBU().Position() << " V (tray level " << model_.BatteryLevel() << "), on "
        << (model_.Picture() == vq::PictureState::kBattery ? "battery"
            : model_.Picture() == vq::PictureState::kMains ? "mains"
                                                             : "unknown");
    std::string lamps;
    for (int number = vq::kLampCount; number >= 1; --number) {
      if (model_.Lamp(number)) lamps += std::string(lamps.empty() ? "" : ", ") + vq::LampCaption(number);
    }
    out << "; lamps: " << (lamps.empty() ? "none" : lamps) << "  [" << record << "]";
    return out.str();
  }

  vq::ConnectionParameters parameters_;
  bool stop_on_shutdown_;
  vq::UpsDisplayModel model_{[this](const std::string& message) { WriteLog(message); },
                             [] { Print("alert", "utility failure ended"); }};
  std::int32_t last_countdown_ = 0;
};

void Usage(std::ostream& out) {
  out << "Usage: console_monitor HOST [PORT] [PASSWORD] [options]\n"
         "Polls a UPS server the way the desktop monitor does and prints what it sees.\n"
         "PORT defaults to 9706; with no PASSWORD no LOGIN is sent.\n"
         "Options:\n"
         "  --seconds N           stop after N seconds (default: run until Ctrl+C)\n"
         "  --stop-on-shutdown    stop after the first shutdown order\n"
         "  --help                show this text\n";
}

}  // namespace

int main(int argc, char** argv) {
  vq::ConnectionParameters parameters{"", 9706, ""};
  int positional = 0;
  int seconds = 0;
  bool stop_on_shutdown = false;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      Usage(std::cout);
      return 0;
    } else if (argument == "--seconds" && i + 1 < argc) {
      seconds = std::atoi(argv[++i]);
    } else if (argument == "--stop-on-shutdown") {
      stop_on_shutdown = true;
    } else if (argument.rfind("--", 0) == 0) {
      std::cerr << "console_monitor: unknown option " << argument << "\n";
      Usage(std::cerr);
      return 2;
    } else if (positional == 0) {
      parameters.server = argument, ++positional;
    } else if (positional == 1) {
      int port = std::atoi(argument.c_str());
      if (port < 1 || port > 65535) {
        std::cerr << "console_monitor: port must be a number from 1 to 65535\n";
        return 2;
      }
      parameters.port = static_cast<std::uint16_t>(port), ++positional;
    } else if (positional == 2) {
      parameters.password = argument, ++positional;
    } else {
      Usage(std::cerr);
      return 2;
    }
  }
  if (parameters.server.empty()) {
    Usage(std::cerr);
    return 2;
  }
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);

  ConsoleHost host(parameters, stop_on_shutdown);
  vq::MessageTexts texts;
  vq::RunLoopTimer timer(false, vq::kPollInterval);
  vq::DesktopMonitoringLoop loop(host, timer, texts, vq::CreateTcpTransport, vq::PlatformExitFlags());

  // Like the desktop monitor, a failed first connection leaves the loop stopped; an
  // administrator watching from a shell would rather see it try again, as a reload
  // of the settings would.
  auto end = seconds > 0 ? std::chrono::steady_clock::now() + std::chrono::seconds(seconds)
                         : std::chrono::steady_clock::time_point::max();
  auto next_reload = std::chrono::steady_clock::now();
  while (!stop_requested && std::chrono::steady_clock::now() < end) {
    auto now = std::chrono::steady_clock::now();
    if (timer.Enabled() && now >= timer.Due()) {
      loop.TimerComTimer();
    } else if (!timer.Enabled() && now >= next_reload) {
      loop.ConnectToServer();
      next_reload = now + vq::kRetryInterval;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  return 0;
}
