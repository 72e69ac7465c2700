#include <windows.h>

#include "core/error_box.h"

namespace vq {
namespace {

class MessageErrorBox final : public ErrorBox {
 public:
  // Task-modal: with no owner window given, the program's windows stay disabled
  // until the user presses OK, as under a box owned by the main window.
  void Show(const std::string& text) override {
    MessageBoxA(nullptr, text.c_str(), "Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  }
};

}  // namespace

std::unique_ptr<ErrorBox> CreateErrorBox() { return std::make_unique<MessageErrorBox>(); }

}  // namespace vq
