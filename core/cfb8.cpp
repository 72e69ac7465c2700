#include "core/cfb8.h"

#include <algorithm>

#include "core/secure_wipe.h"

namespace vq {

Cfb8::Cfb8(const Rc6& cipher, const Rc6::Block& iv) : cipher_(cipher), register_(iv) {}

Cfb8::~Cfb8() {
  WipeWithOnes(register_.data(), register_.size());
  WipeWithOnes(output_.data(), output_.size());
}

void Cfb8::Encrypt(std::span<char> bytes) {
  for (char& byte : bytes) {
    const auto cipher_byte = static_cast<std::uint8_t>(static_cast<std::uint8_t>(byte) ^ NextKeyByte());
    Feed(cipher_byte);
    byte = static_cast<char>(cipher_byte);
  }
}

void Cfb8::Decrypt(std::span<char> bytes) {
  for (char& byte : bytes) {
    const auto cipher_byte = static_cast<std::uint8_t>(byte);
    byte = static_cast<char>(cipher_byte ^ NextKeyByte());
    Feed(cipher_byte);
  }
}

std::uint8_t Cfb8::NextKeyByte() {
  cipher_.EncryptBlock(register_, output_);
  return output_[0];
}

void Cfb8::Feed(std::uint8_t cipher_byte) {
  std::copy(register_.begin() + 1, register_.end(), register_.begin());
  register_.back() = cipher_byte;
}

}  // namespace vq
