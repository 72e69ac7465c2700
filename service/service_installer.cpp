#include "service/service_installer.h"

#include "service/service_identity.h"

namespace vq {

std::string InstallFailureText(const char* format, const std::string& message) {
  std::string text = format;
  text.replace(text.find("%s"), 2, kServiceDisplayName);
  text.replace(text.find("%s"), 2, message);
  return text;
}

}  // namespace vq
