#include "core/password_cipher.h"

#include <gtest/gtest.h>

#include <random>

namespace vq {
namespace {

struct StoredCase {
  std::string password;
  std::string text;
};

// Stored forms computed with Crypto++ (SHA-1, RC6 with the 20-byte key, CFB-8 with
// one-byte feedback, Base64), so the Windows build checks the same results.
const StoredCase kKnownAnswers[] = {
    {"secret", "+CXN3FFx"},
    {" pass word ", "q5XPXfvscpxtmeg="},
    {"\xE4\xF6\xFC\xDF", "b/AtWg=="},
    {std::string(1, '\0'), "iw=="},
    {"", ""},
};

TEST(PasswordCipherTest, KnownAnswersBothWays) {
  for (const StoredCase& c : kKnownAnswers) {
    EXPECT_EQ(EncryptPassword(c.password), c.text);
    EXPECT_EQ(DecryptPassword(c.text), c.password) << c.text;
  }
}

TEST(PasswordCipherTest, StoredLengthAndPadding) {
  for (std::size_t n = 0; n <= 10; ++n) {
    const std::string text = EncryptPassword(std::string(n, 'x'));
    ASSERT_EQ(text.size(), 4 * ((n + 2) / 3)) << "n = " << n;
    const std::size_t pads = text.size() - text.find_last_not_of('=') - 1;
    EXPECT_EQ(pads, n == 0 ? 0u : (3 - n % 3) % 3) << text;
  }
}

TEST(PasswordCipherTest, SameTextEachTimeAndEveryByteRoundTrips) {
  std::string password;
  for (int b = 255; b >= 0; --b)
    password += static_cast<char>(b);
  password = "  " + password + "  ";
  const std::string text = EncryptPassword(password);
  EXPECT_EQ(EncryptPassword(password), text);
  EXPECT_EQ(DecryptPassword(text), password);
}

// The cipher runs byte by byte, so whole groups of a truncated text give the start
// of the password.
TEST(PasswordCipherTest, TextOfOddLengthDecodesWholeGroupsOnly) {
  EXPECT_EQ(DecryptPassword("q5XPXfvscpxtmeg"), " pass wor");
  EXPECT_EQ(DecryptPassword("q5XPXfvscpxtm"), " pass wor");
  EXPECT_EQ(DecryptPassword("+CXN3FFxAb"), "secret");
  EXPECT_EQ(DecryptPassword("+CX"), "");
}

TEST(PasswordCipherTest, AnyTextDecryptsWithoutError) {
  std::mt19937 random(7);
  for (int sample = 0; sample < 200; ++sample) {
    std::string text(random() % 41, '\0');
    for (char& c : text)
      c = static_cast<char>(random() & 0xFF);
    std::string password;
    EXPECT_NO_THROW(password = DecryptPassword(text));
    EXPECT_LE(password.size(), text.size() / 4 * 3);
    EXPECT_EQ(DecryptPassword(text), password) << "the same text always gives the same password";
  }
}

}  // namespace
}  // namespace vq
