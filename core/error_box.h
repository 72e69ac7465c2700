#pragma once

#include <memory>
#include <string>

namespace vq {

// How the desktop monitor reports a failure of its log: a modal error box with
// an OK button; Show returns when the user has closed it.
// Implementations: error_box_win.cpp (a message box), error_box_posix.cpp (stderr).
class ErrorBox {
 public:
  virtual ~ErrorBox() = default;
  // `text` is single-byte, in the ANSI code page, like the log's own texts.
  virtual void Show(const std::string& text) = 0;
};

std::unique_ptr<ErrorBox> CreateErrorBox();

}  // namespace vq
