#include "core/base64.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace vq {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kPad = '=';

// Character to six-bit value; characters outside the alphabet map to 0.
constexpr std::array<std::uint8_t, 256> kValues = [] {
  std::array<std::uint8_t, 256> values{};
  for (std::uint8_t v = 0; v < 64; ++v)
    values[static_cast<unsigned char>(kAlphabet[v])] = v;
  return values;
}();

std::uint32_t ValueOf(char c) {
  return kValues[static_cast<unsigned char>(c)];
}

}  // namespace

std::string EncodeBase64(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      group <<= 8;
      if (k < count)
        group |= static_cast<unsigned char>(bytes[i + k]);
    }
    text += kAlphabet[(group >> 18) & 63];
    text += kAlphabet[(group >> 12) & 63];
    text += count > 1 ? kAlphabet[(group >> 6) & 63] : kPad;
    text += count > 2 ? kAlphabet[group & 63] : kPad;
  }
  return text;
}

std::string DecodeBase64(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i + 4 <= text.size(); i += 4) {
    const std::string_view quad = text.substr(i, 4);
    const std::uint32_t group =
        (ValueOf(quad[0]) << 18) | (ValueOf(quad[1]) << 12) | (ValueOf(quad[2]) << 6) | ValueOf(quad[3]);
    const int count = quad[2] == kPad ? 1 : quad[3] == kPad ? 2 : 3;
    for (int k = 0; k < count; ++k)
      bytes += static_cast<char>(group >> (16 - 8 * k));
  }
  return bytes;
}

}  // namespace vq
