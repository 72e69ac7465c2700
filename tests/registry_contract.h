#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/registry.h"
#include "core/registry_value.h"

namespace vq::testing {

// One implementation of the settings key under the contract tests, with the
// means to store a value behind the store's back, as an administrator would.
class RegistryBackend {
 public:
  virtual ~RegistryBackend() = default;
  virtual SettingsRegistry& Registry() = 0;
  virtual void SetByHand(const std::string& name, const RegistryValue& value) = 0;
  // A registry whose key cannot be opened; nothing where none can be made.
  virtual std::unique_ptr<SettingsRegistry> UnopenableRegistry() = 0;
};

struct RegistryBackendFactory {
  std::string name;
  std::function<std::unique_ptr<RegistryBackend>()> create;
};

// This platform's own implementation: the .reg file on POSIX, the registry on Windows.
RegistryBackendFactory PlatformRegistryBackend();

}  // namespace vq::testing
