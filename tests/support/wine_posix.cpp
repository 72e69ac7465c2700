#include "tests/support/wine.h"

namespace vq::testing {

bool RunningUnderWine() { return false; }

}  // namespace vq::testing
