// The UPS server simulator as the command client sees it over 127.0.0.1: the
// protocol, the login rule, a scenario, each fault mode, the event log and the
// stop file. Runs natively and, under Wine, with Winsock against the Linux program.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "core/command_client.h"
#include "tests/support/simulator_process.h"
#include "tests/support/wine.h"

namespace vq {
namespace {

using testing::SimulatorProcess;

constexpr char kSteadyRecord[] = "230.0 230.0 230.0 35 50.0 13.6 25.0 00001000";
constexpr char kFirmware[] = "Vequor UPS Simulator 1.0";
// Short enough that the hanging cases stay quick, long enough for a loaded machine.

// A client that has read the greeting.
std::unique_ptr<CommandClient> Greeted(const SimulatorProcess& simulator, ClientTimeouts timeouts = testing::kSimulatorTimeouts) {
  auto client = std::make_unique<CommandClient>(CreateTcpTransport, timeouts);
  client->Connect("127.0.0.1", simulator.port());
  client->ReadLine();
  return client;
}

TEST(SimulatorTest, GreetsLogsInAndServesVersionDataAndTimeout) {
  SimulatorProcess simulator({"--password", "secret"});
  CommandClient client;  // the product's own time-outs
  client.Connect("127.0.0.1", simulator.port());
  EXPECT_EQ(client.ReadLine(), "220 Vequor UPS simulator ready");

  EXPECT_EQ(client.SendCommand("LOGIN secret"), "200");
  EXPECT_EQ(client.SendCommand("VERSION"), "200");
  EXPECT_EQ(client.TrimmedReplyText(), kFirmware);
  EXPECT_EQ(client.SendCommand("DATA"), "200");
  EXPECT_EQ(client.ReplyText(), std::string(kSteadyRecord) + "\r\n");
  EXPECT_EQ(client.SendCommand("TIMEOUT"), "200");
  EXPECT_EQ(client.TrimmedReplyText(), "0");
}

struct LoginCase {
  const char* name;
  std::vector<std::string> arguments;
  std::vector<std::pair<std::string, std::string>> exchange;  // command, expected reply code
};

void PrintTo(const LoginCase& c, std::ostream* out) { *out << c.name; }

class SimulatorLoginTest : public ::testing::TestWithParam<LoginCase> {};

TEST_P(SimulatorLoginTest, AnswersWithCodes) {
  const LoginCase& c = GetParam();
  SimulatorProcess simulator(c.arguments);
  auto client = Greeted(simulator);
  for (const auto& [command, code] : c.exchange) {
    EXPECT_EQ(client->SendCommand(command), code) << command << ": " << client->ReplyText();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Logins, SimulatorLoginTest,
    ::testing::Values(
        LoginCase{"NoPasswordNeedsNoLoginAndTakesAny", {}, {{"DATA", "200"}, {"LOGIN anything", "200"}}},
        LoginCase{"WrongPasswordIsRefusedAndKeepsTheDoorShut",
                  {"--password", "secret"},
                  {{"LOGIN wrong", "530"}, {"DATA", "530"}, {"TIMEOUT", "530"}, {"VERSION", "530"}}},
        LoginCase{"RightPasswordOpens", {"--password", "secret"}, {{"LOGIN secret", "200"}, {"TIMEOUT", "200"}}},
        LoginCase{"PasswordKeepsItsSpaces", {"--password", "two words"}, {{"LOGIN two words", "200"}}},
        LoginCase{"BareLoginIsWrong", {"--password", "secret"}, {{"LOGIN", "530"}}},
        LoginCase{"LaterWrongLoginLogsOut",
                  {"--password", "secret"},
                  {{"LOGIN secret", "200"}, {"LOGIN guess", "530"}, {"DATA", "530"}}},
        LoginCase{"UnknownCommand", {}, {{"HELLO", "500"}, {"data", "200"}}}),
    [](const auto& info) { return info.param.name; });

TEST(SimulatorTest, ScenarioRunsFromBatteryThroughCountdownToShutdown) {
  SimulatorProcess simulator({}, R"(# a power failure in under two seconds
0    battery      battery=12.0..11.0
0.5  countdown 1  battery=11.0
1.7  shutdown
)");
  auto client = Greeted(simulator);
  std::vector<std::string> timeouts;
  std::vector<std::string> records;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while ((timeouts.empty() || timeouts.back() != "SHUTDOWN") && std::chrono::steady_clock::now() < deadline) {
    ASSERT_EQ(client->SendCommand("DATA"), "200");
    records.push_back(client->TrimmedReplyText());
    ASSERT_EQ(client->SendCommand("TIMEOUT"), "200");
    if (timeouts.empty() || timeouts.back() != client->TrimmedReplyText()) {
      timeouts.push_back(client->TrimmedReplyText());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
  }
  EXPECT_EQ(timeouts, (std::vector<std::string>{"0", "1", "0", "SHUTDOWN"}));
  ASSERT_EQ(client->SendCommand("DATA"), "200");  // the record of the shutdown step itself
  records.push_back(client->TrimmedReplyText());
  // On battery: utility fail on, input 0, the battery falling; at the end shutdown active.
  EXPECT_EQ(records.front().substr(0, 10), "0.0 0.0 23");
  EXPECT_EQ(records.front().substr(records.front().size() - 8), "10001000");
  EXPECT_EQ(records.back().substr(records.back().size() - 8), "10001010");
  auto battery = [](const std::string& record) { return std::stod(record.substr(record.find(" 50.0 ") + 6)); };
  EXPECT_GT(battery(records.front()), battery(records[records.size() / 4]));
  EXPECT_DOUBLE_EQ(battery(records.back()), 11.0);
}

constexpr char kAnySocketError[] = "(any socket error)";

struct FaultCase {
  const char* name;
  std::vector<std::string> arguments;
  // Each command but the last must be accepted; no commands: the greeting is what fails.
  std::vector<std::string> commands;
  std::string error;  // the failure's message; empty when the last command is answered
  std::string code = {};
  std::string trimmed = {};
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

class SimulatorFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SimulatorFaultTest, ClientSeesIt) {
  const FaultCase& c = GetParam();
  SimulatorProcess simulator(c.arguments);
  CommandClient client(CreateTcpTransport, testing::kSimulatorTimeouts);
  client.Connect("127.0.0.1", simulator.port());
  std::string error;
  bool socket_error = false;
  try {
    client.ReadLine();
    for (std::size_t i = 0; i < c.commands.size(); ++i) {
      std::string code = client.SendCommand(c.commands[i]);
      if (i + 1 < c.commands.size()) {
        ASSERT_EQ(code, "200") << c.commands[i];
      }
    }
  } catch (const SocketError& failure) {
    socket_error = true;
    error = failure.what();
  } catch (const std::exception& failure) {
    error = failure.what();
  }
  if (c.error == kAnySocketError && ::vq::testing::RunningUnderWine()) {
    EXPECT_EQ(error, kClosedGracefullyText) << "Wine reads a reset as an orderly close";
  } else if (c.error == kAnySocketError) {
    EXPECT_TRUE(socket_error) << error;
  } else {
    EXPECT_EQ(error, c.error);
  }
  if (c.error.empty()) {
    EXPECT_EQ(client.ReplyCode(), c.code);
    EXPECT_EQ(client.TrimmedReplyText(), c.trimmed);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimulatorFaultTest,
    ::testing::Values(
        FaultCase{"RefuseLogin", {"--password", "pw", "--fault", "refuse-login"}, {"LOGIN pw"}, "", "530",
                  "Login refused"},
        FaultCase{"RefuseVersion", {"--fault", "refuse-version"}, {"VERSION"}, "", "550", "Version not available"},
        FaultCase{"RefuseData", {"--fault", "refuse-data"}, {"DATA"}, "", "550", "Data not available"},
        FaultCase{"RefuseTimeout", {"--fault", "refuse-timeout"}, {"TIMEOUT"}, "", "550", "Timeout not available"},
        FaultCase{"RefuseDataFromTheThirdCommand",
                  {"--fault", "refuse-data,after=3"},
                  {"DATA", "DATA", "DATA"},
                  "",
                  "550",
                  "Data not available"},
        FaultCase{"NoGreeting", {"--fault", "no-greeting"}, {}, kReadTimedOutText},
        FaultCase{"HangAfterGreeting", {"--fault", "hang-after-greeting"}, {"LOGIN x"}, kReadTimedOutText},
        FaultCase{"HangMidReplyOnData",
                  {"--fault", "hang-mid-reply,on=DATA"},
                  {"LOGIN x", "VERSION", "DATA"},
                  kReadTimedOutText},
        FaultCase{"CloseMidReply", {"--fault", "close-mid-reply,on=DATA"}, {"LOGIN x", "DATA"}, kClosedGracefullyText},
        FaultCase{"Reset", {"--fault", "reset,on=TIMEOUT"}, {"LOGIN x", "TIMEOUT"}, kAnySocketError},
        FaultCase{"InvalidCode", {"--fault", "invalid-code,on=TIMEOUT"}, {"TIMEOUT"}, "Reply Code is not valid: OK"},
        FaultCase{"LongLine", {"--fault", "long-line"}, {"VERSION"}, kMaxLineLengthText},
        FaultCase{"MultiLine", {"--fault", "multi-line,on=VERSION"}, {"VERSION"}, "", "200",
                  std::string("Reply follows\r\n") + kFirmware},
        FaultCase{"UnaskedLineAnswersTheNextCommand",
                  {"--fault", "unasked-lines,on=LOGIN"},
                  {"LOGIN x", "DATA"},
                  "",
                  "250",
                  "Unasked line"},
        FaultCase{"LfOnlyReadsAlike", {"--fault", "lf-only"}, {"LOGIN x", "DATA"}, "", "200", kSteadyRecord}),
    [](const auto& info) { return info.param.name; });

TEST(SimulatorTest, CloseAfterReplyLeavesTheClientDisconnected) {
  SimulatorProcess simulator({"--fault", "close-after-reply,on=DATA"});
  auto client = Greeted(simulator);
  ASSERT_EQ(client->SendCommand("DATA"), "200");
  ASSERT_TRUE(simulator.WaitForEvent("disconnect"));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the FIN is on its way
  EXPECT_FALSE(client->Connected());
}

TEST(SimulatorTest, FaultLimitedToTheFirstConnectionSparesTheNext) {
  SimulatorProcess simulator({"--fault", "close-mid-reply,on=DATA,connections=1"});
  auto first = Greeted(simulator);
  EXPECT_THROW(first->SendCommand("DATA"), ProtocolError);
  auto second = Greeted(simulator);
  EXPECT_EQ(second->SendCommand("DATA"), "200");
  EXPECT_EQ(second->TrimmedReplyText(), kSteadyRecord);
}

TEST(SimulatorTest, LogsEachCommandWithItsTimeAndClient) {
  auto before = std::chrono::floor<std::chrono::milliseconds>(std::chrono::system_clock::now());
  SimulatorProcess simulator({"--password", "secret"});
  {
    auto client = Greeted(simulator);
    client->SendCommand("LOGIN secret");
    client->SendCommand("DATA");
    client->Close();
  }
  auto second = Greeted(simulator);
  second->SendCommand("TIMEOUT");
  ASSERT_TRUE(simulator.WaitForEvent("disconnect"));
  auto after = std::chrono::system_clock::now();

  EXPECT_EQ(simulator.Commands(), (std::vector<std::string>{"LOGIN secret", "DATA", "TIMEOUT"}));
  std::vector<std::string> first_client;
  std::chrono::system_clock::time_point previous = before;
  for (const auto& entry : simulator.CommandLog()) {
    EXPECT_GE(entry.time, previous) << entry.event << " " << entry.text;
    EXPECT_LE(entry.time, after);
    previous = entry.time;
    if (entry.source == "client#1") first_client.push_back(entry.event + " " + entry.text);
    if (entry.event == "command" && entry.text == "TIMEOUT") {
      EXPECT_EQ(entry.source, "client#2");
    }
  }
  ASSERT_EQ(first_client.size(), 7u);
  EXPECT_EQ(first_client[0].substr(0, 18), "connect 127.0.0.1:");
  EXPECT_EQ(std::vector<std::string>(first_client.begin() + 1, first_client.end()),
            (std::vector<std::string>{"sent 220 Vequor UPS simulator ready", "command LOGIN secret",
                                      "sent 200 Logged in", "command DATA", std::string("sent 200 ") + kSteadyRecord,
                                      "disconnect client closed"}));
}

TEST(SimulatorTest, StopFileEndsItPromptlyWhileAClientIsConnected) {
  SimulatorProcess simulator;
  auto client = Greeted(simulator);
  auto start = std::chrono::steady_clock::now();
  simulator.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  auto log = simulator.CommandLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().event + " " + log.back().text, "stop stop file");
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const auto& entry) {
    return entry.event == "disconnect" && entry.text == "simulator stopping";
  }));
}

}  // namespace
}  // namespace vq
