#pragma once

#include <cstddef>

namespace vq {

// Overwrites key material with 0xFF bytes before its memory is released. The writes
// go through a volatile pointer so the compiler cannot drop them as dead stores.
inline void WipeWithOnes(void* data, std::size_t size) {
  volatile unsigned char* bytes = static_cast<volatile unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = 0xFF;
}

}  // namespace vq
