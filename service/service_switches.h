#pragma once

#include <string>
#include <vector>

namespace vq {

// What the service program is asked to do by its command line.
enum class ServiceCommand { kRun, kInstall, kUninstall };

// The switches "/install", "/uninstall" and "/silent": each a word of its own,
// introduced by "/" or "-", anywhere on the command line, in any letter case.
struct ServiceSwitches {
  bool install = false;
  bool uninstall = false;
  bool silent = false;

  // "INSTALL" is tested first: a command line holding both installs.
  ServiceCommand Command() const {
    return install ? ServiceCommand::kInstall : uninstall ? ServiceCommand::kUninstall : ServiceCommand::kRun;
  }
};

// `arguments` without the program name.
ServiceSwitches ParseServiceSwitches(const std::vector<std::string>& arguments);

}  // namespace vq
