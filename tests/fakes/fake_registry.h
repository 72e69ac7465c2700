#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/registry.h"
#include "core/registry_value.h"

namespace vq::testing {

// The settings key in memory, shared by every key that OpenSettingsKey hands
// out, with the registry's types, letter-case rules and error texts. It writes
// every call into `journal`, so tests can check the order in which values are
// tested, read and written:
//   "open", "exists <name>", "read-string <name>", "read-integer <name>",
//   "write-string <name>=<text>", "write-integer <name>=<number>",
//   "delete <name>", "close".
class FakeRegistry final : public SettingsRegistry {
 public:
  std::unique_ptr<SettingsKey> OpenSettingsKey() override;

  // Values set by hand, as an administrator would with regedit.
  void SetString(const std::string& name, const std::string& text) { SetRaw(name, RegistryValue::FromString(text)); }
  void SetInteger(const std::string& name, std::uint32_t number) { SetRaw(name, RegistryValue::FromInteger(number)); }
  void SetRaw(const std::string& name, RegistryValue value) { values_[name] = std::move(value); }
  void Remove(const std::string& name) { values_.erase(name); }
  void Clear() { values_.clear(); }

  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  std::optional<RegistryValue> Raw(const std::string& name) const;
  // The stored text or number; nothing when missing or of another type.
  std::optional<std::string> String(const std::string& name) const;
  std::optional<std::uint32_t> Integer(const std::string& name) const;
  std::vector<std::string> Names() const;

  // A key that cannot be opened: nothing exists, every write fails.
  bool unopenable = false;
  // Writes of these names fail, as a registry that refuses them would.
  std::set<std::string, ValueNameLess> failing_writes;
  std::vector<std::string> journal;
  int open_keys = 0;

 private:
  friend class FakeSettingsKey;
  std::map<std::string, RegistryValue, ValueNameLess> values_;
};

}  // namespace vq::testing
