#pragma once

#include <cstdint>
#include <string>

namespace vq {

// The registry's type codes that the settings store tells apart.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// One value as the registry holds it: a type code and the stored bytes (a string
// with its terminator, a DWORD in little-endian order). Every implementation of
// the settings key reads through the two functions below, so they agree on types.
struct RegistryValue {
  std::uint32_t type = kRegNone;
  std::string bytes;

  static RegistryValue FromString(const std::string& text);  // REG_SZ
  static RegistryValue FromInteger(std::uint32_t number);    // REG_DWORD

  bool operator==(const RegistryValue&) const = default;
};

// REG_SZ or REG_EXPAND_SZ (not expanded), up to the first terminator, since a
// stored string need not carry one. Any other type: "Invalid data type for '%s'".
std::string ReadStringValue(const std::string& name, const RegistryValue& value);

// REG_DWORD only; a REG_DWORD that is not four bytes long cannot be read.
std::uint32_t ReadIntegerValue(const std::string& name, const RegistryValue& value);

// Value names are the same whatever the letter case, as in the registry.
bool SameValueName(const std::string& a, const std::string& b);

struct ValueNameLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

}  // namespace vq
