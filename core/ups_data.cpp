#include "core/ups_data.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "core/command_client.h"

namespace vq {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string ExtractField(const std::string& text, std::size_t index, char separator) {
  // The text ends with a separator of its own, so its last field is closed like the others.
  const std::string fields = text + separator;
  std::size_t start = 0;
  for (std::size_t skipped = 0; skipped < index; ++skipped) {
    std::size_t found = fields.find(separator, start);
    if (found == std::string::npos) return {};
    start = found + 1;
  }
  std::size_t end = fields.find(separator, start);
  if (end == std::string::npos) return {};
  return fields.substr(start, end - start);
}

bool IsNumberText(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return IsDigit(c) || c == ',' || c == '.'; });
}

double NumberTextToFloat(const std::string& text) {
  const std::string trimmed = TrimControlAndSpace(text);
  // A leading "0" keeps a text that starts with its decimal mark readable; a
  // leading minus sign must stay first.
  std::string number = !trimmed.empty() && trimmed.front() == '-' ? "" : "0";
  for (char c : trimmed) {
    if (c == ' ') continue;
    if (IsDigit(c) || c == '-') {
      number += c;
    } else if (c == ',' || c == '.') {
      number += '.';  // from_chars reads the point, never the locale's mark
    } else {
      break;
    }
  }
  double value = 0;
  const char* end = number.data() + number.size();
  auto [stop, error] = std::from_chars(number.data(), end, value, std::chars_format::fixed);
  if (error != std::errc() || stop != end) return 0;
  return value;
}

}  // namespace vq
