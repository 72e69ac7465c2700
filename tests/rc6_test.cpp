#include "core/rc6.h"

#include <gtest/gtest.h>

#include "tests/hex_bytes.h"

namespace vq {
namespace {

using testing::FromHex;
using testing::ToHex;

struct Rc6Case {
  const char* key;
  const char* plain;
  const char* cipher;
};

// The vectors of the RC6 paper (RC6-32/20 with 16, 24 and 32-byte keys): the cipher
// takes keys of any length, so these check the key schedule as well as the rounds.
TEST(Rc6Test, PublishedVectors) {
  const Rc6Case cases[] = {
      {"00000000000000000000000000000000", "00000000000000000000000000000000", "8fc3a53656b1f778c129df4e9848a41e"},
      {"0123456789abcdef0112233445566778", "02132435465768798a9bacbdcedfe0f1", "524e192f4715c6231f51f6367ea43f18"},
      {"000000000000000000000000000000000000000000000000", "00000000000000000000000000000000",
       "6cd61bcb190b30384e8a3f168690ae82"},
      {"0123456789abcdef0112233445566778899aabbccddeeff0", "02132435465768798a9bacbdcedfe0f1",
       "688329d019e505041e52e92af95291d4"},
      {"0000000000000000000000000000000000000000000000000000000000000000", "00000000000000000000000000000000",
       "8f5fbd0510d15fa893fa3fda6e857ec2"},
      {"0123456789abcdef0112233445566778899aabbccddeeff01032547698badcfe", "02132435465768798a9bacbdcedfe0f1",
       "c8241816f0d7e48920ad16a1674e5d48"},
  };
  for (const Rc6Case& c : cases) {
    const std::vector<std::uint8_t> plain_bytes = FromHex(c.plain);
    Rc6::Block block;
    std::copy(plain_bytes.begin(), plain_bytes.end(), block.begin());
    Rc6(FromHex(c.key)).EncryptBlock(block, block);
    EXPECT_EQ(ToHex(block), c.cipher) << "key " << c.key;
  }
}

}  // namespace
}  // namespace vq
