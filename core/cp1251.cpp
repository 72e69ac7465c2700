#include "core/cp1251.h"

namespace vq {

std::string Cp1251FromUtf8(std::string_view utf8) {
  std::string result;
  result.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      result += static_cast<char>(lead);
      ++i;
      continue;
    }
    // Cyrillic letters are two-byte sequences; a longer or broken one is skipped whole.
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    char32_t code = 0;
    if (length == 2 && i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      code = (static_cast<char32_t>(lead & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
    }
    if (code >= U'\u0410' && code <= U'\u044F') {
      result += static_cast<char>(0xC0 + (code - U'\u0410'));
    } else if (code == U'\u0401') {
      result += '\xA8';
    } else if (code == U'\u0451') {
      result += '\xB8';
    } else {
      result += '?';
    }
    i += length;
  }
  return result;
}

}  // namespace vq
