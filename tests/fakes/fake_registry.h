#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/registry.h"

namespace vq::testing {

// The settings key in memory, shared by every key object it hands out. It keeps
// the registry layer's wording: a string read of a missing value gives "", an
// integer read of one fails with "Failed to get data for '%s'", a read of the
// wrong type fails with "Invalid data type for '%s'".
class FakeRegistry final : public SettingsRegistry {
 public:
  enum class Type { kString, kExpandString, kInteger, kBinary };
  struct Value {
    Type type = Type::kString;
    std::string text;           // kString, kExpandString, kBinary
    std::uint32_t integer = 0;  // kInteger
  };

  std::unique_ptr<SettingsKey> OpenSettingsKey() override;

  // Direct access for the tests, bypassing the key.
  std::map<std::string, Value> values;
  void SetString(const std::string& name, const std::string& text, Type type = Type::kString) {
    values[name] = Value{type, text, 0};
  }
  void SetInteger(const std::string& name, std::uint32_t integer) { values[name] = Value{Type::kInteger, {}, integer}; }
  // The text of a string value; nothing when missing or not a string.
  std::optional<std::string> String(const std::string& name) const;

  // Makes the key behave as one that could not be opened: nothing exists, every
  // write fails with "Failed to set data for '%s'".
  bool open_fails = false;
  // Every write of this value fails with "Failed to set data for '%s'".
  std::optional<std::string> failing_write;

  int opened = 0;     // keys handed out so far
  int open_keys = 0;  // keys not yet closed
};

}  // namespace vq::testing
