#include "tests/fakes/fake_registry.h"

namespace vq::testing {
namespace {

std::string Quoted(const char* text, const std::string& name) { return std::string(text) + " '" + name + "'"; }

class FakeKey final : public SettingsKey {
 public:
  explicit FakeKey(FakeRegistry& registry) : registry_(registry) { ++registry_.open_keys; }
  ~FakeKey() override { --registry_.open_keys; }
  FakeKey(const FakeKey&) = delete;
  FakeKey& operator=(const FakeKey&) = delete;

  bool ValueExists(const std::string& name) override {
    return !registry_.open_fails && registry_.values.count(name) != 0;
  }

  std::string ReadString(const std::string& name) override {
    const FakeRegistry::Value* value = Find(name);
    if (!value) return {};
    if (value->type != FakeRegistry::Type::kString && value->type != FakeRegistry::Type::kExpandString) {
      throw RegistryError(Quoted("Invalid data type for", name));
    }
    return value->text;
  }

  std::uint32_t ReadInteger(const std::string& name) override {
    const FakeRegistry::Value* value = Find(name);
    if (!value) throw RegistryError(Quoted("Failed to get data for", name));
    if (value->type != FakeRegistry::Type::kInteger) throw RegistryError(Quoted("Invalid data type for", name));
    return value->integer;
  }

  void WriteString(const std::string& name, const std::string& value) override {
    CheckWrite(name);
    registry_.SetString(name, value);
  }

  void WriteInteger(const std::string& name, std::uint32_t value) override {
    CheckWrite(name);
    registry_.SetInteger(name, value);
  }

  void DeleteValue(const std::string& name) override {
    if (!registry_.open_fails) registry_.values.erase(name);
  }

 private:
  const FakeRegistry::Value* Find(const std::string& name) const {
    if (registry_.open_fails) return nullptr;
    auto found = registry_.values.find(name);
    return found == registry_.values.end() ? nullptr : &found->second;
  }

  void CheckWrite(const std::string& name) const {
    if (registry_.open_fails || registry_.failing_write == name) {
      throw RegistryError(Quoted("Failed to set data for", name));
    }
  }

  FakeRegistry& registry_;
};

}  // namespace

std::unique_ptr<SettingsKey> FakeRegistry::OpenSettingsKey() {
  ++opened;
  return std::make_unique<FakeKey>(*this);
}

std::optional<std::string> FakeRegistry::String(const std::string& name) const {
  auto found = values.find(name);
  if (found == values.end() || (found->second.type != Type::kString && found->second.type != Type::kExpandString)) {
    return std::nullopt;
  }
  return found->second.text;
}

}  // namespace vq::testing
