#include <cstdio>

#include "core/error_box.h"

namespace vq {
namespace {

// Without a desktop, the report goes to the standard error stream.
class StderrErrorBox final : public ErrorBox {
 public:
  void Show(const std::string& text) override { std::fprintf(stderr, "Error: %s\n", text.c_str()); }
};

}  // namespace

std::unique_ptr<ErrorBox> CreateErrorBox() { return std::make_unique<StderrErrorBox>(); }

}  // namespace vq
