#include "core/base64.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

struct Base64Case {
  std::string bytes;
  std::string text;
};

// RFC 4648, section 10.
TEST(Base64Test, PublishedVectorsBothWays) {
  const Base64Case cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const Base64Case& c : cases) {
    EXPECT_EQ(EncodeBase64(c.bytes), c.text);
    EXPECT_EQ(DecodeBase64(c.text), c.bytes) << c.text;
  }
}

TEST(Base64Test, AllByteValuesRoundTrip) {
  std::string bytes;
  for (int b = 0; b < 256; ++b)
    bytes += static_cast<char>(b);
  EXPECT_EQ(EncodeBase64(bytes).substr(0, 8), "AAECAwQF");
  EXPECT_EQ(DecodeBase64(EncodeBase64(bytes)), bytes);
}

// Text that was not made by the encoder is read group by group, without complaint.
TEST(Base64Test, DecoderReadsWholeGroupsOnly) {
  const Base64Case cases[] = {
      {"foo", "Zm9vY"},  // a tail of one to three characters is ignored
      {"foo", "Zm9vYm"},
      {"foo", "Zm9vYmE"},
      {"", "Zm9"},
      {"f", "Zg=A"},                         // "=" in the third place: one byte, whatever follows
      {"ffoo", "Zg==Zm9v"},                  // groups after a padded one are still read
      {std::string(3, '\0'), "==AA"},        // "=" in the first two places counts as "A"
      {std::string(3, '\0'), "!*\x80\xff"},  // so does any character outside the alphabet
  };
  for (const Base64Case& c : cases)
    EXPECT_EQ(DecodeBase64(c.text), c.bytes) << c.text;
}

}  // namespace
}  // namespace vq
