#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace sheetcut::crypto_detail {

// Four bytes, lowest address first, as a 32-bit word and back.
inline uint32_t loadLittleEndian(const uint8_t* p) {
  uint32_t w;
  std::memcpy(&w, p, 4);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
  return w;
}

inline void storeLittleEndian(uint8_t* p, uint32_t w) {
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
  std::memcpy(p, &w, 4);
}

}  // namespace sheetcut::crypto_detail
