// Prints the stored form of a server password, the text of the "ServerPassword"
// setting, for an administrator (or a test) who writes the settings by hand:
// the Linux service's settings file, or "reg add" on Windows.
#include <iostream>
#include <string>

#include "core/password_cipher.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Usage: encrypt_password PASSWORD\n";
    return 2;
  }
  std::cout << vq::EncryptPassword(argv[1]) << "\n";
  return 0;
}
