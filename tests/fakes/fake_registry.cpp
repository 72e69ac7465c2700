#include "tests/fakes/fake_registry.h"

namespace vq::testing {

class FakeSettingsKey final : public SettingsKey {
 public:
  explicit FakeSettingsKey(FakeRegistry& registry) : registry_(registry), opened_(!registry.unopenable) {
    ++registry_.open_keys;
    registry_.journal.push_back("open");
  }

  ~FakeSettingsKey() override {
    --registry_.open_keys;
    registry_.journal.push_back("close");
  }

  bool ValueExists(const std::string& name) override {
    registry_.journal.push_back("exists " + name);
    return opened_ && registry_.Has(name);
  }

  std::string ReadString(const std::string& name) override {
    registry_.journal.push_back("read-string " + name);
    return ReadStringValue(name, Stored(name));
  }

  std::uint32_t ReadInteger(const std::string& name) override {
    registry_.journal.push_back("read-integer " + name);
    return ReadIntegerValue(name, Stored(name));
  }

  void WriteString(const std::string& name, const std::string& value) override {
    registry_.journal.push_back("write-string " + name + "=" + value);
    Set(name, RegistryValue::FromString(value));
  }

  void WriteInteger(const std::string& name, std::uint32_t value) override {
    registry_.journal.push_back("write-integer " + name + "=" + std::to_string(value));
    Set(name, RegistryValue::FromInteger(value));
  }

  void DeleteValue(const std::string& name) override {
    registry_.journal.push_back("delete " + name);
    if (!opened_ || !registry_.Has(name)) return;
    if (registry_.failing_writes.count(name) != 0) throw RegistryError::DeleteFailed(name);
    registry_.values_.erase(name);
  }

 private:
  RegistryValue Stored(const std::string& name) const {
    const auto value = opened_ ? registry_.Raw(name) : std::nullopt;
    if (!value) throw RegistryError::GetDataFailed(name);
    return *value;
  }

  void Set(const std::string& name, RegistryValue value) {
    if (!opened_ || registry_.failing_writes.count(name) != 0) throw RegistryError::SetDataFailed(name);
    registry_.values_[name] = std::move(value);
  }

  FakeRegistry& registry_;
  const bool opened_;
};

std::unique_ptr<SettingsKey> FakeRegistry::OpenSettingsKey() { return std::make_unique<FakeSettingsKey>(*this); }

std::optional<RegistryValue> FakeRegistry::Raw(const std::string& name) const {
  const auto found = values_.find(name);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> FakeRegistry::String(const std::string& name) const {
  const auto value = Raw(name);
  if (!value || (value->type != kRegSz && value->type != kRegExpandSz)) return std::nullopt;
  return ReadStringValue(name, *value);
}

std::optional<std::uint32_t> FakeRegistry::Integer(const std::string& name) const {
  const auto value = Raw(name);
  if (!value || value->type != kRegDword || value->bytes.size() != 4) return std::nullopt;
  return ReadIntegerValue(name, *value);
}

std::vector<std::string> FakeRegistry::Names() const {
  std::vector<std::string> names;
  for (const auto& [name, value] : values_) names.push_back(name);
  return names;
}

}  // namespace vq::testing
