#include "core/sha1.h"

#include <bit>
#include <cstring>

namespace vq {
namespace {

constexpr std::size_t kBlockSize = 64;
constexpr std::size_t kLengthFieldOffset = kBlockSize - 8;

using State = std::array<std::uint32_t, 5>;

std::uint32_t ReadBigEndian(const unsigned char* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
         std::uint32_t{bytes[3]};
}

void ProcessBlock(State& h, const unsigned char* block) {
  std::uint32_t w[80];
  for (int t = 0; t < 16; ++t)
    w[t] = ReadBigEndian(block + 4 * t);
  for (int t = 16; t < 80; ++t)
    w[t] = std::rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);

  std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
  for (int t = 0; t < 80; ++t) {
    std::uint32_t f, k;
    if (t < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999;
    } else if (t < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1;
    } else if (t < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6;
    }
    const std::uint32_t temp = std::rotl(a, 5) + f + e + k + w[t];
    e = d;
    d = c;
    c = std::rotl(b, 30);
    b = a;
    a = temp;
  }
  h[0] += a;
  h[1] += b;
  h[2] += c;
  h[3] += d;
  h[4] += e;
}

}  // namespace

Sha1Digest ComputeSha1(std::string_view message) {
  State h = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  const auto* data = reinterpret_cast<const unsigned char*>(message.data());
  const std::size_t whole = message.size() / kBlockSize * kBlockSize;
  for (std::size_t offset = 0; offset < whole; offset += kBlockSize)
    ProcessBlock(h, data + offset);

  // The rest, the 0x80 marker and the 64-bit bit count fill one or two more blocks.
  unsigned char tail[2 * kBlockSize] = {};
  const std::size_t rest = message.size() - whole;
  if (rest > 0)
    std::memcpy(tail, data + whole, rest);
  tail[rest] = 0x80;
  const std::size_t tail_size = rest < kLengthFieldOffset ? kBlockSize : 2 * kBlockSize;
  const std::uint64_t bit_count = static_cast<std::uint64_t>(message.size()) * 8;
  for (int i = 0; i < 8; ++i)
    tail[tail_size - 1 - i] = static_cast<unsigned char>(bit_count >> (8 * i));
  for (std::size_t offset = 0; offset < tail_size; offset += kBlockSize)
    ProcessBlock(h, tail + offset);

  Sha1Digest digest;
  for (std::size_t i = 0; i < digest.size(); ++i)
    digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

}  // namespace vq
