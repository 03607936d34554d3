#include "rijndael_tables.h"

namespace sheetcut::rijndael {
namespace {

uint8_t xtime(uint8_t x) {
  return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1b : 0));
}

uint8_t rotl8(uint8_t x, int k) {
  return static_cast<uint8_t>((x << k) | (x >> (8 - k)));
}

uint32_t word(uint8_t r0, uint8_t r1, uint8_t r2, uint8_t r3) {
  return uint32_t{r0} | uint32_t{r1} << 8 | uint32_t{r2} << 16 | uint32_t{r3} << 24;
}

uint32_t rotateRows(uint32_t w) {
  return (w << 8) | (w >> 24);
}

Tables build() {
  Tables t{};
  uint8_t power[256];
  uint8_t log[256] = {};
  power[0] = 1;
  for (int i = 1; i < 256; ++i) power[i] = static_cast<uint8_t>(power[i - 1] ^ xtime(power[i - 1]));
  for (int i = 0; i < 255; ++i) log[power[i]] = static_cast<uint8_t>(i);

  auto mul = [&](uint8_t a, uint8_t b) -> uint8_t {
    return (a && b) ? power[(log[a] + log[b]) % 255] : 0;
  };

  uint8_t s[256];
  uint8_t si[256];
  s[0] = 0x63;
  for (int x = 1; x < 256; ++x) {
    const uint8_t y = power[(255 - log[x]) % 255];
    s[x] = static_cast<uint8_t>(y ^ rotl8(y, 1) ^ rotl8(y, 2) ^ rotl8(y, 3) ^ rotl8(y, 4) ^ 0x63);
  }
  for (int x = 0; x < 256; ++x) si[s[x]] = static_cast<uint8_t>(x);

  for (int x = 0; x < 256; ++x) {
    t.sbox[x] = word(s[x], s[x], s[x], s[x]);
    t.invSbox[x] = word(si[x], si[x], si[x], si[x]);
    const uint8_t v = s[x];
    t.enc[0][x] = word(mul(2, v), v, v, mul(3, v));
    const uint8_t y = si[x];
    t.dec[0][x] = word(mul(0x0e, y), mul(0x09, y), mul(0x0d, y), mul(0x0b, y));
    for (int k = 1; k < 4; ++k) {
      t.enc[k][x] = rotateRows(t.enc[k - 1][x]);
      t.dec[k][x] = rotateRows(t.dec[k - 1][x]);
    }
  }
  uint8_t rc = 1;
  for (auto& r : t.rcon) {
    r = rc;
    rc = xtime(rc);
  }
  return t;
}

}  // namespace

const Tables& tables() {
  static const Tables t = build();
  return t;
}

}  // namespace sheetcut::rijndael
