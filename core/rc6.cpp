#include "core/rc6.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "core/secure_wipe.h"

namespace vq {
namespace {

constexpr std::uint32_t kP32 = 0xB7E15163;
constexpr std::uint32_t kQ32 = 0x9E3779B9;

std::uint32_t ReadLittleEndian(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) | (std::uint32_t{bytes[2]} << 16) |
         (std::uint32_t{bytes[3]} << 24);
}

void WriteLittleEndian(std::uint32_t word, std::uint8_t* bytes) {
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<std::uint8_t>(word >> (8 * i));
}

// Rotation amounts are the low five bits of a word, as the cipher defines them.
std::uint32_t RotateLeft(std::uint32_t word, std::uint32_t amount) {
  return std::rotl(word, static_cast<int>(amount & 31));
}

}  // namespace

Rc6::Rc6(std::span<const std::uint8_t> key) {
  // The key as little-endian words; an empty key is one zero word.
  const std::size_t word_count = std::max<std::size_t>(1, (key.size() + 3) / 4);
  std::vector<std::uint32_t> key_words(word_count, 0);
  for (std::size_t i = key.size(); i-- > 0;)
    key_words[i / 4] = (key_words[i / 4] << 8) + key[i];

  round_keys_[0] = kP32;
  for (std::size_t i = 1; i < kRoundKeyCount; ++i)
    round_keys_[i] = round_keys_[i - 1] + kQ32;

  std::uint32_t a = 0, b = 0;
  std::size_t i = 0, j = 0;
  const std::size_t steps = 3 * std::max(word_count, kRoundKeyCount);
  for (std::size_t step = 0; step < steps; ++step) {
    a = round_keys_[i] = RotateLeft(round_keys_[i] + a + b, 3);
    b = key_words[j] = RotateLeft(key_words[j] + a + b, a + b);
    i = (i + 1) % kRoundKeyCount;
    j = (j + 1) % word_count;
  }
  WipeWithOnes(key_words.data(), key_words.size() * sizeof(key_words[0]));
}

Rc6::~Rc6() {
  WipeWithOnes(round_keys_.data(), sizeof(round_keys_));
}

void Rc6::EncryptBlock(const Block& in, Block& out) const {
  std::uint32_t a = ReadLittleEndian(&in[0]);
  std::uint32_t b = ReadLittleEndian(&in[4]);
  std::uint32_t c = ReadLittleEndian(&in[8]);
  std::uint32_t d = ReadLittleEndian(&in[12]);

  b += round_keys_[0];
  d += round_keys_[1];
  for (int round = 1; round <= kRounds; ++round) {
    const std::uint32_t t = RotateLeft(b * (2 * b + 1), 5);
    const std::uint32_t u = RotateLeft(d * (2 * d + 1), 5);
    a = RotateLeft(a ^ t, u) + round_keys_[2 * round];
    c = RotateLeft(c ^ u, t) + round_keys_[2 * round + 1];
    const std::uint32_t old_a = a;
    a = b;
    b = c;
    c = d;
    d = old_a;
  }
  a += round_keys_[2 * kRounds + 2];
  c += round_keys_[2 * kRounds + 3];

  WriteLittleEndian(a, &out[0]);
  WriteLittleEndian(b, &out[4]);
  WriteLittleEndian(c, &out[8]);
  WriteLittleEndian(d, &out[12]);
}

}  // namespace vq
