#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vq {

using Sha1Digest = std::array<std::uint8_t, 20>;

// The SHA-1 digest (FIPS 180-4) of a byte string; the password cipher derives its
// key from it, so it must match the published algorithm bit for bit.
Sha1Digest ComputeSha1(std::string_view message);

}  // namespace vq
