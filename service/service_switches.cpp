#include "service/service_switches.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace vq {
namespace {

bool IsSwitch(const std::string& argument, std::string_view name) {
  if (argument.size() != name.size() + 1 || (argument[0] != '/' && argument[0] != '-')) return false;
  return std::equal(name.begin(), name.end(), argument.begin() + 1, [](char expected, char actual) {
    return expected == std::tolower(static_cast<unsigned char>(actual));
  });
}

}  // namespace

ServiceSwitches ParseServiceSwitches(const std::vector<std::string>& arguments) {
  ServiceSwitches switches;
  for (const std::string& argument : arguments) {
    switches.install = switches.install || IsSwitch(argument, "install");
    switches.uninstall = switches.uninstall || IsSwitch(argument, "uninstall");
    switches.silent = switches.silent || IsSwitch(argument, "silent");
  }
  return switches;
}

}  // namespace vq
