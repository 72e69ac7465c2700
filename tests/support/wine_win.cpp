#include <windows.h>

#include "tests/support/wine.h"

namespace vq::testing {

bool RunningUnderWine() {
  // Wine's ntdll exports its version; Windows' does not.
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace vq::testing
