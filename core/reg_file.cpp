#include "core/reg_file.h"

#include <cstdio>

#include "core/registry.h"

namespace vq {
namespace {

constexpr char kRegedit4Header[] = "REGEDIT4";
constexpr char kVersion5Header[] = "Windows Registry Editor Version 5.00";
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

std::string SectionName() { return std::string("HKEY_LOCAL_MACHINE\\") + kSettingsKeyPath; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameValueName(std::string(text.substr(0, prefix.size())), std::string(prefix));
}

// The key named by a section line "[...]", or nothing for any other line.
std::optional<std::string> SectionOf(std::string_view line) {
  line = TrimBlanks(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  return std::string(line.substr(1, line.size() - 2));
}

bool IsSettingsSection(std::string_view line) {
  const auto section = SectionOf(line);
  return section && SameValueName(*section, SectionName());
}

// A quoted text from its opening quote at `pos`; sets `pos` past the closing one.
// A backslash escapes only a backslash or a quote; any other is kept as it is,
// which forgives a hand-typed "C:\Temp".
std::optional<std::string> ParseQuoted(std::string_view text, std::size_t& pos) {
  std::string result;
  for (std::size_t i = pos + 1; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
      result.push_back(text[++i]);
    } else if (text[i] == '"') {
      pos = i + 1;
      return result;
    } else {
      result.push_back(text[i]);
    }
  }
  return std::nullopt;
}

std::string Quote(std::string_view text) {
  std::string result = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') result.push_back('\\');
    result.push_back(c);
  }
  result.push_back('"');
  return result;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One to `max_digits` hex digits and nothing else.
std::optional<std::uint32_t> ParseHexNumber(std::string_view text, std::size_t max_digits) {
  text = TrimBlanks(text);
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  std::uint32_t number = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    number = number * 16 + static_cast<std::uint32_t>(digit);
  }
  return number;
}

// "41,42,00": bytes as pairs of hex digits, separated by commas; a comma may end the list.
std::optional<std::string> ParseHexBytes(std::string_view text) {
  std::string bytes;
  text = TrimBlanks(text);
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const auto item = ParseHexNumber(text.substr(0, comma), 2);
    if (!item) return std::nullopt;
    bytes.push_back(static_cast<char>(*item));
    if (comma == std::string_view::npos) break;
    text = TrimBlanks(text.substr(comma + 1));
  }
  return bytes;
}

std::string FormatHexBytes(std::string_view bytes) {
  std::string result;
  char pair[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(pair, sizeof(pair), i == 0 ? "%02x" : ",%02x", static_cast<unsigned char>(bytes[i]));
    result += pair;
  }
  return result;
}

bool IsStringType(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

// Version 5.00 files hold the hex form of strings in UTF-16LE; the store's strings
// are single bytes, so characters beyond one byte read as '?'.
std::optional<std::string> NarrowUtf16(std::string_view bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::string result;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const unsigned unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    result.push_back(unit < 0x100 ? static_cast<char>(unit) : '?');
  }
  return result;
}

std::string WidenToUtf16(std::string_view bytes) {
  std::string result;
  for (char c : bytes) {
    result.push_back(c);
    result.push_back('\0');
  }
  return result;
}

// A REG_SZ can be written in quotes when it is one line with one terminator at its end.
bool IsQuotable(const RegistryValue& value) {
  const std::string& bytes = value.bytes;
  return value.type == kRegSz && !bytes.empty() && bytes.find('\0') == bytes.size() - 1 &&
         bytes.find_first_of("\r\n") == std::string::npos;
}

}  // namespace

RegFile::RegFile(std::string_view text) {
  bool first = true;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const bool crlf = !line.empty() && line.back() == '\r';
    if (crlf) line.remove_suffix(1);
    if (first) {
      if (crlf) line_end_ = "\r\n";
      std::string_view header = line;
      if (header.substr(0, 3) == kUtf8Bom) header.remove_prefix(3);
      utf16_strings_ = TrimBlanks(header) == kVersion5Header;
      first = false;
    }
    lines_.emplace_back(line);
  }
}

std::string RegFile::Text() const {
  std::string text;
  for (const std::string& line : lines_) text += line + line_end_;
  return text;
}

std::vector<RegFile::Located> RegFile::Scan() const {
  std::vector<Located> found;
  bool in_key = false;
  for (std::size_t i = 0; i < lines_.size();) {
    const std::string_view line = TrimBlanks(lines_[i]);
    std::size_t count = 1;
    if (SectionOf(line)) {
      in_key = IsSettingsSection(line);
    } else if (in_key && !line.empty() && line.front() == '"') {
      std::size_t pos = 0;
      const auto name = ParseQuoted(line, pos);
      std::string_view rest = name ? TrimBlanks(line.substr(pos)) : std::string_view();
      if (name && !rest.empty() && rest.front() == '=') {
        std::string data(TrimBlanks(rest.substr(1)));
        // Hex data may go on over the following lines, each line ending in a backslash.
        if (StartsWithNoCase(data, "hex")) {
          while (!data.empty() && data.back() == '\\' && i + count < lines_.size()) {
            data.pop_back();
            data += TrimBlanks(lines_[i + count++]);
          }
        }
        // "Name"=- is an import file's order to delete a value: no value here.
        if (data != "-") found.push_back({i, count, {*name, ParseData(data)}});
      }
    }
    i += count;
  }
  return found;
}

std::optional<RegistryValue> RegFile::ParseData(std::string_view data) const {
  if (!data.empty() && data.front() == '"') {
    std::size_t pos = 0;
    const auto text = ParseQuoted(data, pos);
    if (!text || !TrimBlanks(data.substr(pos)).empty()) return std::nullopt;
    return RegistryValue::FromString(*text);
  }
  if (StartsWithNoCase(data, "dword:")) {
    const auto number = ParseHexNumber(data.substr(6), 8);
    if (!number) return std::nullopt;
    return RegistryValue::FromInteger(*number);
  }
  std::uint32_t type = kRegBinary;
  std::string_view list;
  if (StartsWithNoCase(data, "hex:")) {
    list = data.substr(4);
  } else if (StartsWithNoCase(data, "hex(")) {
    const std::size_t close = data.find("):");
    const auto number = close == std::string_view::npos ? std::nullopt : ParseHexNumber(data.substr(4, close - 4), 8);
    if (!number) return std::nullopt;
    type = *number;
    list = data.substr(close + 2);
  } else {
    return std::nullopt;
  }
  auto bytes = ParseHexBytes(list);
  if (bytes && utf16_strings_ && IsStringType(type)) bytes = NarrowUtf16(*bytes);
  if (!bytes) return std::nullopt;
  return RegistryValue{type, std::move(*bytes)};
}

std::string RegFile::FormatEntry(const std::string& name, const RegistryValue& value) const {
  std::string line = Quote(name) + "=";
  if (IsQuotable(value)) return line + Quote(std::string_view(value.bytes).substr(0, value.bytes.size() - 1));
  char prefix[24];
  if (value.type == kRegDword && value.bytes.size() == 4) {
    std::snprintf(prefix, sizeof(prefix), "dword:%08x", static_cast<unsigned>(ReadIntegerValue(name, value)));
    return line + prefix;
  }
  if (value.type == kRegBinary) {
    std::snprintf(prefix, sizeof(prefix), "hex:");
  } else {
    std::snprintf(prefix, sizeof(prefix), "hex(%x):", static_cast<unsigned>(value.type));
  }
  const bool widen = utf16_strings_ && IsStringType(value.type);
  return line + prefix + FormatHexBytes(widen ? WidenToUtf16(value.bytes) : value.bytes);
}

std::optional<RegFile::Entry> RegFile::Find(const std::string& name) const {
  std::optional<Entry> result;
  for (const Located& located : Scan()) {
    if (SameValueName(located.entry.name, name)) result = located.entry;
  }
  return result;
}

std::optional<std::size_t> RegFile::KeyEnd() const {
  std::optional<std::size_t> end;
  bool in_key = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (SectionOf(lines_[i])) in_key = IsSettingsSection(lines_[i]);
    if (in_key && !TrimBlanks(lines_[i]).empty()) end = i + 1;
  }
  return end;
}

void RegFile::EnsureKey() {
  if (KeyEnd()) return;
  if (lines_.empty()) lines_.emplace_back(kRegedit4Header);
  if (!TrimBlanks(lines_.back()).empty()) lines_.emplace_back();
  lines_.push_back(std::string("[").append(SectionName()).append("]"));
}

bool RegFile::Set(const std::string& name, const RegistryValue& value) {
  if (name.find_first_of("\r\n") != std::string::npos) return false;
  std::vector<Located> matching;
  for (Located& located : Scan()) {
    if (SameValueName(located.entry.name, name)) matching.push_back(std::move(located));
  }
  const std::string line = FormatEntry(name, value);
  if (matching.empty()) {
    EnsureKey();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*KeyEnd()), line);
    return true;
  }
  // One line in place of the first, and the repeats dropped, back to front.
  for (std::size_t k = matching.size(); k-- > 0;) {
    const auto first = lines_.begin() + static_cast<std::ptrdiff_t>(matching[k].first_line);
    lines_.erase(first, first + static_cast<std::ptrdiff_t>(matching[k].line_count));
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(matching.front().first_line), line);
  return true;
}

bool RegFile::Remove(const std::string& name) {
  bool removed = false;
  const std::vector<Located> entries = Scan();
  for (std::size_t k = entries.size(); k-- > 0;) {
    if (!SameValueName(entries[k].entry.name, name)) continue;
    const auto first = lines_.begin() + static_cast<std::ptrdiff_t>(entries[k].first_line);
    lines_.erase(first, first + static_cast<std::ptrdiff_t>(entries[k].line_count));
    removed = true;
  }
  return removed;
}

}  // namespace vq
