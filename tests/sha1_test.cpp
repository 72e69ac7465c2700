#include "core/sha1.h"

#include <gtest/gtest.h>

#include "tests/hex_bytes.h"

namespace vq {
namespace {

using testing::ToHex;

struct Sha1Case {
  std::string message;
  const char* digest;
};

// The examples published with FIPS 180.
TEST(Sha1Test, PublishedVectors) {
  const Sha1Case cases[] = {
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
  };
  for (const Sha1Case& c : cases) {
    EXPECT_EQ(ToHex(ComputeSha1(c.message)), c.digest) << "length " << c.message.size();
  }
}

}  // namespace
}  // namespace vq
