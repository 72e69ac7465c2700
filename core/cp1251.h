#pragma once

#include <string>
#include <string_view>

namespace vq {

// Code page 1251 bytes of a UTF-8 text, so the Russian texts can be written
// readably in the source while the log and the event log stay single-byte.
// Covers ASCII and the Russian alphabet (А..я, Ё, ё); anything else becomes '?'.
std::string Cp1251FromUtf8(std::string_view utf8);

}  // namespace vq
