#include "tools/simulator/simulator_options.h"

#include <charconv>
#include <cmath>

#include "tools/simulator/scenario.h"
#include "tools/simulator/usage_error.h"

namespace vq::simulator {
namespace {

std::uint16_t ParsePort(const std::string& option, const std::string& value) {
  unsigned port = 0;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), port);
  if (value.empty() || error != std::errc() || end != value.data() + value.size() || port > 65535) {
    throw UsageError(option + " needs a port number from 0 to 65535, not \"" + value + "\"");
  }
  return static_cast<std::uint16_t>(port);
}

double ParseSeconds(const std::string& option, const std::string& value) {
  double seconds = 0;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
  if (value.empty() || error != std::errc() || end != value.data() + value.size() || !std::isfinite(seconds) ||
      seconds <= 0) {
    throw UsageError(option + " needs a number of seconds above 0, not \"" + value + "\"");
  }
  return seconds;
}

}  // namespace

SimulatorOptions ParseOptions(const std::vector<std::string>& arguments) {
  SimulatorOptions options;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    std::string name = arguments[index];
    std::optional<std::string> inline_value;
    if (auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      inline_value = name.substr(equals + 1);
      name.resize(equals);
    }
    auto value = [&]() -> std::string {
      if (inline_value) return *inline_value;
      if (index + 1 >= arguments.size()) throw UsageError(name + " needs a value");
      return arguments[++index];
    };
    auto flag = [&] {
      if (inline_value) throw UsageError(name + " takes no value");
    };

    if (name == "--help" || name == "-h") {
      flag();
      options.help = true;
    } else if (name == "--port") {
      options.port = ParsePort(name, value());
    } else if (name == "--bind") {
      std::string text = value();
      auto address = ParseIpv4Address(text);
      if (!address) throw UsageError("--bind needs an IPv4 address such as 127.0.0.1 or 0.0.0.0, not \"" + text + "\"");
      options.bind = *address;
    } else if (name == "--port-file") {
      options.port_file = value();
    } else if (name == "--discovery-port") {
      options.discovery_port = ParsePort(name, value());
    } else if (name == "--discovery-port-file") {
      options.discovery_port_file = value();
    } else if (name == "--no-discovery") {
      flag();
      options.discovery = false;
    } else if (name == "--announce") {
      options.announce = value();
    } else if (name == "--password") {
      options.password = value();
    } else if (name == "--firmware") {
      options.firmware = value();
    } else if (name == "--scenario") {
      options.scenario_file = value();
    } else if (name == "--fault") {
      options.faults.push_back(ParseFaultRule(value()));
    } else if (name == "--log") {
      options.log_file = value();
    } else if (name == "--quiet") {
      flag();
      options.quiet = true;
    } else if (name == "--stop-file") {
      options.stop_file = value();
    } else if (name == "--max-seconds") {
      options.max_seconds = ParseSeconds(name, value());
    } else {
      throw UsageError("unknown option \"" + name + "\"");
    }
  }
  if (!options.discovery && !options.discovery_port_file.empty()) {
    throw UsageError("--discovery-port-file and --no-discovery exclude each other");
  }
  return options;
}

std::string HelpText() {
  std::string help = R"(Usage: ups_simulator [OPTION...]
A UPS server for trying out and testing the UPS client: it serves the command
protocol (greeting, LOGIN, VERSION, DATA, TIMEOUT) on TCP, answers the discovery
datagram "Hello" on UDP, and follows a scenario of power events.

Network:
  --bind ADDR                 IPv4 address of both sockets (default 127.0.0.1;
                              0.0.0.0 for every interface, which discovery
                              broadcasts need)
  --port N                    TCP port of the command protocol (default 9706;
                              0: a free port, reported as below)
  --port-file PATH            write the TCP port number there once ready (with
                              discovery bound too); deleted on exit
  --discovery-port N          UDP port for "Hello" (default 9705; 0: a free port)
  --discovery-port-file PATH  write the UDP port number there; deleted on exit
  --no-discovery              no UDP socket at all
  --announce TEXT             the answer to "Hello" (default: the address of the
                              bound socket, or with 0.0.0.0 the local address
                              facing the asker)
  On start the simulator prints "listening on ADDR:PORT" and, with discovery,
  "discovery on ADDR:PORT". It never sends a datagram unasked.

Protocol:
  --password TEXT             the password that "LOGIN TEXT" must give; then
                              VERSION, DATA and TIMEOUT need a login first ("530
                              Not logged in"), a wrong one gets "530 Login
                              incorrect". Without it every LOGIN is accepted and
                              none is needed.
  --firmware TEXT             the VERSION reply text (default "Vequor UPS Simulator 1.0")
  --scenario FILE             the course of the UPS over time (format below);
                              without it: mains for good, TIMEOUT 0
  --fault RULE                misbehave on purpose (modes below); repeatable
  Replies: greeting "220 Vequor UPS simulator ready"; LOGIN "200 Logged in";
  VERSION "200 FIRMWARE"; DATA "200 RECORD"; TIMEOUT "200 SECONDS" or "200
  SHUTDOWN"; any other command "500 Unknown command: WORD". Command words are
  matched in any letter case; lines end with CR LF.

Log and stopping:
  --log FILE                  append the event log to FILE
  --quiet                     do not copy the event log to standard output
  --stop-file PATH            stop within 200 ms once PATH exists
  --max-seconds N             stop by itself after N seconds
  Ctrl+C and SIGTERM stop it too. Exit code 0 after a stop, 1 when it cannot
  run (port in use, unreadable file), 2 on a wrong command line or scenario.

Event log: one line per event, flushed at once, fields split by single spaces:
  TIME SOURCE EVENT [TEXT]
  TIME    UTC with milliseconds, as 2026-12-11T13:45:01.234Z
  SOURCE  simulator, discovery, or client#N (the Nth connection since start)
  EVENT   simulator: start (TEXT: tcp=ADDR:PORT [udp=ADDR:PORT]), step (TEXT:
            N STATE, when scenario step N begins), stop (TEXT: signal, stop
            file or max-seconds), error (TEXT: a socket failure it survived)
          client#N: connect (TEXT: peer ADDR:PORT), command (TEXT: the line as
            received, without its line end), sent (a whole line, without its
            line end), partial (bytes of a line cut short), hang (stops
            answering), disconnect (TEXT: client closed, server closed, server
            reset, simulator stopping, or error: MESSAGE)
          discovery: hello (TEXT: ADDR:PORT of the asker), answer (TEXT: what
            was sent, or its size past 64 bytes), ignored (TEXT: ADDR:PORT and
            the size of a datagram that is not "Hello"), error
  TEXT    bytes below 0x20, 0x7F and the backslash written as \xHH
  Example: 2026-12-11T13:45:01.234Z client#1 command LOGIN secret

)";
  help += FaultModesHelp();
  help += "Example: --fault hang-mid-reply,on=DATA --fault close-after-reply,on=TIMEOUT,connections=1\n\n";
  help += ScenarioFormatHelp();
  return help;
}

}  // namespace vq::simulator
