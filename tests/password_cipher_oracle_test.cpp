// Checks the cipher pieces against Crypto++, an independent implementation.
#include <crypto++/base64.h>
#include <crypto++/filters.h>
#include <crypto++/modes.h>
#include <crypto++/rc6.h>
#include <crypto++/sha.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/password_cipher.h"
#include "core/rc6.h"
#include "core/sha1.h"
#include "tests/hex_bytes.h"

namespace vq {
namespace {

using testing::ToHex;

constexpr char kOraclePassPhrase[] = "{7D3A90C2-58E1-4B6F-A2C9-0E4B81D6F359}";
constexpr int kSamples = 400;

std::string RandomBytes(std::mt19937& random, std::size_t max_size) {
  std::uniform_int_distribution<std::size_t> size(0, max_size);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(size(random), '\0');
  for (char& c : bytes)
    c = static_cast<char>(byte(random));
  return bytes;
}

const CryptoPP::byte* Bytes(const std::string& s) {
  return reinterpret_cast<const CryptoPP::byte*>(s.data());
}

// The whole stored-password construction, assembled from Crypto++ parts.
class OracleCipher {
 public:
  OracleCipher() {
    CryptoPP::byte key[CryptoPP::SHA1::DIGESTSIZE];
    CryptoPP::SHA1().CalculateDigest(key, reinterpret_cast<const CryptoPP::byte*>(kOraclePassPhrase),
                                     sizeof(kOraclePassPhrase) - 1);
    rc6_.UncheckedSetKey(key, sizeof(key), CryptoPP::g_nullNameValuePairs);
    const CryptoPP::byte zero[CryptoPP::RC6::BLOCKSIZE] = {};
    rc6_.ProcessBlock(zero, iv_);
  }

  std::string Encrypt(const std::string& password) {
    CryptoPP::CFB_Mode_ExternalCipher::Encryption cfb(rc6_, iv_, 1);
    std::string cipher_text(password.size(), '\0');
    cfb.ProcessData(reinterpret_cast<CryptoPP::byte*>(cipher_text.data()), Bytes(password), password.size());
    return Base64(cipher_text);
  }

  std::string Decrypt(const std::string& cipher_text) {
    CryptoPP::CFB_Mode_ExternalCipher::Decryption cfb(rc6_, iv_, 1);
    std::string plain(cipher_text.size(), '\0');
    cfb.ProcessData(reinterpret_cast<CryptoPP::byte*>(plain.data()), Bytes(cipher_text), cipher_text.size());
    return plain;
  }

  static std::string Base64(const std::string& bytes) {
    std::string text;
    CryptoPP::StringSource(bytes, true, new CryptoPP::Base64Encoder(new CryptoPP::StringSink(text), false));
    return text;
  }

 private:
  CryptoPP::RC6::Encryption rc6_;
  CryptoPP::byte iv_[CryptoPP::RC6::BLOCKSIZE];
};

// Lengths around the 55/56/64-byte padding boundaries, several blocks long.
TEST(PasswordCipherOracleTest, Sha1MatchesCryptopp) {
  std::mt19937 random(1);
  for (int sample = 0; sample < kSamples; ++sample) {
    const std::string message = RandomBytes(random, 200);
    CryptoPP::byte expected[CryptoPP::SHA1::DIGESTSIZE];
    CryptoPP::SHA1().CalculateDigest(expected, Bytes(message), message.size());
    ASSERT_EQ(ToHex(ComputeSha1(message)), ToHex(expected)) << "length " << message.size();
  }
}

TEST(PasswordCipherOracleTest, Rc6MatchesCryptoppForAnyKeyLength) {
  std::mt19937 random(2);
  for (int sample = 0; sample < kSamples; ++sample) {
    const std::string key = RandomBytes(random, 64);
    Rc6::Block plain;
    for (auto& b : plain)
      b = static_cast<std::uint8_t>(random() & 0xFF);
    CryptoPP::RC6::Encryption oracle;
    oracle.UncheckedSetKey(Bytes(key), static_cast<unsigned>(key.size()), CryptoPP::g_nullNameValuePairs);
    Rc6::Block expected;
    oracle.ProcessBlock(plain.data(), expected.data());

    const std::vector<std::uint8_t> key_bytes(key.begin(), key.end());
    Rc6::Block actual;
    Rc6(key_bytes).EncryptBlock(plain, actual);
    ASSERT_EQ(ToHex(actual), ToHex(expected)) << "key length " << key.size();
  }
}

TEST(PasswordCipherOracleTest, EncryptPasswordMatchesCryptoppAndRoundTrips) {
  OracleCipher oracle;
  std::mt19937 random(3);
  for (int sample = 0; sample < kSamples; ++sample) {
    const std::string password = RandomBytes(random, 64);
    const std::string text = EncryptPassword(password);
    ASSERT_EQ(text, oracle.Encrypt(password)) << "password length " << password.size();
    ASSERT_EQ(DecryptPassword(text), password);
  }
}

// Decryption checked on its own, on cipher texts that no encryption here produced.
TEST(PasswordCipherOracleTest, DecryptPasswordMatchesCryptopp) {
  OracleCipher oracle;
  std::mt19937 random(4);
  for (int sample = 0; sample < kSamples; ++sample) {
    const std::string cipher_text = RandomBytes(random, 64);
    ASSERT_EQ(DecryptPassword(OracleCipher::Base64(cipher_text)), oracle.Decrypt(cipher_text));
  }
}

}  // namespace
}  // namespace vq
