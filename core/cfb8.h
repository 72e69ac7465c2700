#pragma once

#include <span>

#include "core/rc6.h"

namespace vq {

// Cipher feedback with 8-bit segments (CFB-8, NIST SP 800-38A) over RC6: a stream mode,
// so n bytes in give n bytes out, with no padding. The shift register and the last
// cipher output are overwritten with 0xFF bytes when the object goes.
class Cfb8 {
 public:
  // Keeps a reference to `cipher`, which must outlive this object.
  Cfb8(const Rc6& cipher, const Rc6::Block& iv);
  ~Cfb8();
  Cfb8(const Cfb8&) = delete;
  Cfb8& operator=(const Cfb8&) = delete;

  // Both work in place and continue from where the previous call ended.
  void Encrypt(std::span<char> bytes);
  void Decrypt(std::span<char> bytes);

 private:
  // Encrypts the register and returns the byte at the lowest address of the result.
  std::uint8_t NextKeyByte();
  // Shifts the register one byte towards the lower addresses; `cipher_byte` enters last.
  void Feed(std::uint8_t cipher_byte);

  const Rc6& cipher_;
  Rc6::Block register_;
  Rc6::Block output_{};
};

}  // namespace vq
