#include "core/message_texts.h"

namespace vq {

const std::map<std::string, std::string>& MessageTexts::BuiltInTexts() {
  static const std::map<std::string, std::string> texts = {
      {"C_Advanced_Interface", "Vequor Clients Manager UPS (Advanced Interface)"},
      {"C_CloseProgram", "Are you sure,  to exit from program"},
      {"C_Connected", "Success connected"},
      {"C_ErrorLoadVersion", "Error check version"},
      {"C_Error_Login", "Error Login on Server"},
      {"C_FirmWare_Version", "FirmWare Version:"},
      {"C_LastVersion", "You have last version VQ Manager"},
      {"C_LoadNewVersion", "Do you want to load the last version of the program?"},
      {"C_Minimize", "Vequor Clients Manager UPS still running"},
      {"C_Novice_Interface", "Vequor Clients Manager UPS (Simple Interface)"},
      {"C_Shutdown", "Windows shutdown after (sec):"},
      {"C_Try_Connect", "Try connect to remote server UPS..."},
      {"C_Try_Login", "Try login on server UPS..."},
  };
  return texts;
}

std::string MessageTexts::Text(const std::string& name) const {
  if (auto it = language_.find(name); it != language_.end()) return it->second;
  const auto& built_in = BuiltInTexts();
  if (auto it = built_in.find(name); it != built_in.end()) return it->second;
  return name;
}

}  // namespace vq
