#pragma once

#include <string>
#include <string_view>

namespace vq {

// Base64 with the standard alphabet of RFC 4648 and "=" padding, on one line.
std::string EncodeBase64(std::string_view bytes);

// Reads the text in whole groups of four characters and never fails: a tail of one
// to three characters is ignored; in each group "=" in the third place yields one
// byte, "=" in the fourth two, otherwise three. A character outside the alphabet
// (including "=" in the first two places) counts as the value 0, like "A".
std::string DecodeBase64(std::string_view text);

}  // namespace vq
