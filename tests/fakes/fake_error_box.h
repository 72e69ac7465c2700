#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/error_box.h"

namespace vq::testing {

// Remembers every text shown; `while_shown` runs as if during the box's message loop.
class FakeErrorBox final : public ErrorBox {
 public:
  std::vector<std::string> shown;
  std::function<void()> while_shown;

  void Show(const std::string& text) override {
    shown.push_back(text);
    if (while_shown) while_shown();
  }
};

}  // namespace vq::testing
