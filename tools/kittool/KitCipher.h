#pragma once

#include <string>
#include <string_view>

// Whole-file enciphering for kit authors. The program itself only deciphers.
namespace KitCipher {

// Pads `plain` with zero bytes to a multiple of 8 and enciphers it.
std::string Encipher(std::string plain, std::string_view key);

// Deciphers `cipherText`; false (and `plain` untouched) when its size is not a multiple of 8.
bool Decipher(std::string_view cipherText, std::string_view key, std::string& plain);

}  // namespace KitCipher
