#include "core/command_client.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_server.h"

namespace vq {
namespace {

using testing::FakeServer;
using testing::kFakeServerTimeouts;

struct ReplyCase {
  const char* name;
  std::string wire;  // what the server sends in answer to "X"
  std::string code;
  std::string text;
  std::string trimmed;
};

class ReplyShapeTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyShapeTest, ReadsCodeAndText) {
  const ReplyCase& c = GetParam();
  FakeServer server;
  server.replies["X"] = c.wire;
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  client.Connect("ups", 9706);
  client.ReadLine();
  EXPECT_EQ(client.SendCommand("X"), c.code);
  EXPECT_EQ(client.ReplyCode(), c.code);
  EXPECT_EQ(client.ReplyText(), c.text);
  EXPECT_EQ(client.TrimmedReplyText(), c.trimmed);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyShapeTest,
    ::testing::Values(
        ReplyCase{"BareCode", "200\r\n", "200", "\r\n", ""},
        ReplyCase{"CodeAndText", "200 OK\r\n", "200", "OK\r\n", "OK"},
        ReplyCase{"Continuation", "200-first\r\n200 second\r\n", "200", "first\r\nsecond\r\n", "first\r\nsecond"},
        ReplyCase{"BlankLinesBefore", "\r\n   \r\n\t\r\n200 OK\r\n", "200", "OK\r\n", "OK"},
        ReplyCase{"ShortLineEndsContinuation", "200-first\r\n\r\n", "200", "first\r\n\r\n", "first"},
        ReplyCase{"FourthCharacterNotSpace", "2001 x\r\n200 y\r\n", "200", " x\r\ny\r\n", "x\r\ny"},
        ReplyCase{"Refusal", "500 denied\r\n", "500", "denied\r\n", "denied"},
        ReplyCase{"LfOnly", "200-a\n200 b\n", "200", "a\r\nb\r\n", "a\r\nb"},
        ReplyCase{"CrInsideLineStays", "200 a\rb\r\n", "200", "a\rb\r\n", "a\rb"},
        ReplyCase{"FirstLineTrimmed", "  \t200 padded  \r\n", "200", "padded\r\n", "padded"},
        ReplyCase{"ContinuationNotTrimmed", "200-a\r\n200  b \r\n", "200", "a\r\n b \r\n", "a\r\n b"},
        ReplyCase{"ExactlyFourCharacters", "200 \r\n", "200", "\r\n", ""}),
    [](const auto& info) { return info.param.name; });

struct FailureCase {
  const char* name;
  std::string wire;
  std::string message;
};

class ReplyFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ReplyFailureTest, FailsWithMessage) {
  const FailureCase& c = GetParam();
  FakeServer server;
  server.replies["X"] = c.wire;
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  client.Connect("ups", 9706);
  client.ReadLine();
  try {
    client.SendCommand("X");
    FAIL() << "no failure";
  } catch (const std::exception& error) {
    EXPECT_EQ(error.what(), c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ReplyFailureTest,
    ::testing::Values(FailureCase{"ShortNonNumericCode", "OK\r\n", "Reply Code is not valid: OK"},
                      FailureCase{"ErrWord", "ERR\r\n", "Reply Code is not valid: ERR"},
                      FailureCase{"CodeBelow100", "099 x\r\n", "Reply Code is not valid: 099"},
                      FailureCase{"TwoDigitCode", "20\r\n", "Reply Code is not valid: 20"},
                      FailureCase{"LetterInCode", "2a0 x\r\n", "Reply Code is not valid: 2a0"},
                      FailureCase{"LineTooLong", "200 " + std::string(16381, 'x') + "\r\n", "Max line length exceeded."},
                      FailureCase{"UnendedLineTooLong", "200 " + std::string(20000, 'x'), "Max line length exceeded."},
                      FailureCase{"SilentServer", "", "Read timed out."},
                      FailureCase{"StopsInsideContinuation", "200-first\r\n", "Read timed out."}),
    [](const auto& info) { return info.param.name; });

TEST(CommandClientTest, LineOfExactlyTheLimitIsAccepted) {
  FakeServer server;
  std::string payload(16380, 'x');  // "200 " + payload is 16384 bytes
  server.replies["X"] = "200 " + payload + "\r\n";
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  client.Connect("ups", 9706);
  client.ReadLine();
  EXPECT_EQ(client.SendCommand("X"), "200");
  EXPECT_EQ(client.TrimmedReplyText(), payload);
}

TEST(CommandClientTest, SendsCommandWithCrLfAndReadsGreetingUnchecked) {
  FakeServer server;
  server.greeting = "  whatever ~~ \n";
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  client.Connect("ups", 9706);
  EXPECT_EQ(client.ReadLine(), "  whatever ~~ ");
  client.SendCommand("LOGIN secret pass");
  EXPECT_EQ(server.commands, std::vector<std::string>{"LOGIN secret pass"});
}

TEST(CommandClientTest, UnaskedLineIsTakenAsTheReply) {
  FakeServer server;
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  client.Connect("ups", 9706);
  client.ReadLine();
  server.Push("201 early\r\n");
  EXPECT_EQ(client.SendCommand("DATA"), "201");
  EXPECT_EQ(client.TrimmedReplyText(), "early");
}

TEST(CommandClientTest, SendWithoutConnectionFails) {
  FakeServer server;
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  try {
    client.SendCommand("DATA");
    FAIL() << "no failure";
  } catch (const ProtocolError& error) {
    EXPECT_STREQ(error.what(), "Not connected.");
  }
}

TEST(CommandClientTest, CommandWithLineBreakIsRefusedUnsent) {
  FakeServer server;
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  client.Connect("ups", 9706);
  client.ReadLine();
  for (const char* command : {"LOGIN pw\r\nTIMEOUT", "LOGIN pw\nDATA", "LOGIN \rpw"}) {
    EXPECT_THROW(client.SendCommand(command), ProtocolError);
  }
  EXPECT_TRUE(server.commands.empty());
}

TEST(CommandClientTest, ServerClosingWhileReadingFailsGracefully) {
  FakeServer server;
  server.close_after = "X";
  server.replies["X"] = "200-partial\r\n";
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  client.Connect("ups", 9706);
  client.ReadLine();
  try {
    client.SendCommand("X");
    FAIL() << "no failure";
  } catch (const ProtocolError& error) {
    EXPECT_STREQ(error.what(), "Connection Closed Gracefully.");
  }
}

TEST(CommandClientTest, ConnectedTestClosesSilentlyWhenServerClosed) {
  FakeServer server;
  int disconnects = 0;
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  client.SetOnDisconnected([&] { ++disconnects; });
  client.Connect("ups", 9706);
  client.ReadLine();
  EXPECT_TRUE(client.Connected());
  server.CloseConnection();
  EXPECT_FALSE(client.Connected());
  EXPECT_TRUE(server.current->client_closed);
  client.Close();  // already closed: no event
  EXPECT_EQ(disconnects, 0);
}

TEST(CommandClientTest, ConnectedWhileUnreadBytesRemainAfterServerClosed) {
  FakeServer server;
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  client.Connect("ups", 9706);
  client.ReadLine();
  server.Push("200 last words\r\n");
  server.CloseConnection();
  EXPECT_TRUE(client.Connected());
  EXPECT_TRUE(server.current->client_closed);
}

TEST(CommandClientTest, ConnectedTestRaisesOnReset) {
  FakeServer server;
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  client.Connect("ups", 9706);
  server.ResetConnection();
  EXPECT_THROW(client.Connected(), SocketError);
}

TEST(CommandClientTest, CloseRaisesDisconnectOnlyForOpenConnection) {
  FakeServer server;
  int disconnects = 0;
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  client.SetOnDisconnected([&] { ++disconnects; });
  client.Close();
  EXPECT_EQ(disconnects, 0);
  client.Connect("ups", 9706);
  client.Close();
  client.Close();
  EXPECT_EQ(disconnects, 1);
  EXPECT_TRUE(server.commands.empty()) << "closing sends nothing";
}

TEST(CommandClientTest, ConnectFailureCarriesSystemText) {
  FakeServer server;
  server.connect_error = "Connection refused";
  CommandClient client(server.Factory(), kFakeServerTimeouts);
  EXPECT_THROW(
      {
        try {
          client.Connect("ups", 9706);
        } catch (const SocketError& error) {
          EXPECT_STREQ(error.what(), "Connection refused");
          throw;
        }
      },
      SocketError);
  EXPECT_FALSE(client.Connected());
}

TEST(TrimControlAndSpaceTest, RemovesBytesUpToSpaceAtBothEnds) {
  EXPECT_EQ(TrimControlAndSpace(std::string("\x01\t a b \r\n\x00", 10)), "a b");
  EXPECT_EQ(TrimControlAndSpace(" \r\n "), "");
  EXPECT_EQ(TrimControlAndSpace("\xE9t\xE9"), "\xE9t\xE9");
}

}  // namespace
}  // namespace vq
