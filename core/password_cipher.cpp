#include "core/password_cipher.h"

#include "core/base64.h"
#include "core/cfb8.h"
#include "core/rc6.h"
#include "core/secure_wipe.h"
#include "core/sha1.h"

namespace vq {
namespace {

// The same in both programs; all 38 characters, braces included, form the key.
constexpr char kPassPhrase[] = "{7D3A90C2-58E1-4B6F-A2C9-0E4B81D6F359}";

enum class Direction { kEncrypt, kDecrypt };

// Runs the bytes through CFB-8 in place. The key schedule, the vector and the register
// are overwritten with 0xFF bytes on the way out (by the destructors, and here).
void RunCipher(std::string& bytes, Direction direction) {
  Sha1Digest key = ComputeSha1(kPassPhrase);
  const Rc6 cipher(key);
  WipeWithOnes(key.data(), key.size());
  Rc6::Block iv{};
  cipher.EncryptBlock(iv, iv);
  Cfb8 mode(cipher, iv);
  WipeWithOnes(iv.data(), iv.size());
  if (direction == Direction::kEncrypt) {
    mode.Encrypt(bytes);
  } else {
    mode.Decrypt(bytes);
  }
}

}  // namespace

std::string EncryptPassword(const std::string& password) {
  std::string bytes = password;
  RunCipher(bytes, Direction::kEncrypt);
  return EncodeBase64(bytes);
}

std::string DecryptPassword(const std::string& text) {
  std::string bytes = DecodeBase64(text);
  RunCipher(bytes, Direction::kDecrypt);
  return bytes;
}

}  // namespace vq
