#include "core/registry_value.h"

#include <algorithm>

#include "core/registry.h"

namespace vq {
namespace {

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

RegistryValue RegistryValue::FromString(const std::string& text) {
  std::string bytes = text;
  bytes.push_back('\0');
  return {kRegSz, std::move(bytes)};
}

RegistryValue RegistryValue::FromInteger(std::uint32_t number) {
  std::string bytes(4, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
  return {kRegDword, std::move(bytes)};
}

std::string ReadStringValue(const std::string& name, const RegistryValue& value) {
  if (value.type != kRegSz && value.type != kRegExpandSz) throw RegistryError::InvalidDataType(name);
  return value.bytes.substr(0, value.bytes.find('\0'));
}

std::uint32_t ReadIntegerValue(const std::string& name, const RegistryValue& value) {
  if (value.type != kRegDword) throw RegistryError::InvalidDataType(name);
  if (value.bytes.size() != 4) throw RegistryError::GetDataFailed(name);
  std::uint32_t number = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    number |= static_cast<std::uint32_t>(static_cast<unsigned char>(value.bytes[i])) << (8 * i);
  }
  return number;
}

bool SameValueName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

bool ValueNameLess::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(FoldCase(x)) < static_cast<unsigned char>(FoldCase(y));
  });
}

}  // namespace vq
