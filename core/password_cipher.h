#pragma once

#include <string>

namespace vq {

// The stored form of the server password: RC6-32/20/20 in CFB-8, keyed with the SHA-1
// digest of a fixed pass phrase, from the encryption of a zero block as the vector,
// then Base64. Both programs must agree bit for bit, since the service decrypts what
// the desktop monitor stored. Passwords are byte strings, taken as they are (no trim).
// Neither function fails for any input, and each call starts afresh, so the same
// password always gives the same text.
std::string EncryptPassword(const std::string& password);

// A text that EncryptPassword did not make (hand-edited, truncated) still gives some
// password; see DecodeBase64 for how it is read.
std::string DecryptPassword(const std::string& text);

}  // namespace vq
