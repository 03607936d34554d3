#pragma once

#include <cstdint>

namespace sheetcut::rijndael {

// Lookup tables of the cipher, computed once in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
// Words are little-endian: byte k of a word is row k of a state column.
struct Tables {
  uint32_t sbox[256];     // S(x) in all four bytes
  uint32_t invSbox[256];  // S^-1(x) in all four bytes
  uint32_t enc[4][256];   // SubBytes and MixColumns combined, one table per row rotation
  uint32_t dec[4][256];   // InvSubBytes and InvMixColumns combined
  uint32_t rcon[29];      // round constants in the low byte
};

const Tables& tables();

}  // namespace sheetcut::rijndael
