#include "sheetcut/crypto/md5.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "little_endian.h"
#include "sheetcut/ansi_codepage.h"
#include "sheetcut/error.h"

namespace sheetcut::md5 {
namespace {

using crypto_detail::loadLittleEndian;
using crypto_detail::storeLittleEndian;

inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) {
  return z ^ (x & (y ^ z));
}
inline uint32_t G(uint32_t x, uint32_t y, uint32_t z) {
  return y ^ (z & (x ^ y));
}
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) {
  return x ^ y ^ z;
}
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) {
  return y ^ (x | ~z);
}

template <uint32_t (*Fn)(uint32_t, uint32_t, uint32_t)>
inline void step(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a = b + std::rotl(a + Fn(b, c, d) + x + t, s);
}

// The 64 steps of the standard over consecutive 64-byte blocks.
void transform(uint32_t state[4], const uint8_t* data, size_t blocks) {
  for (; blocks > 0; --blocks, data += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = loadLittleEndian(data + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    step<F>(a, b, c, d, x[0], 0xd76aa478, 7);
    step<F>(d, a, b, c, x[1], 0xe8c7b756, 12);
    step<F>(c, d, a, b, x[2], 0x242070db, 17);
    step<F>(b, c, d, a, x[3], 0xc1bdceee, 22);
    step<F>(a, b, c, d, x[4], 0xf57c0faf, 7);
    step<F>(d, a, b, c, x[5], 0x4787c62a, 12);
    step<F>(c, d, a, b, x[6], 0xa8304613, 17);
    step<F>(b, c, d, a, x[7], 0xfd469501, 22);
    step<F>(a, b, c, d, x[8], 0x698098d8, 7);
    step<F>(d, a, b, c, x[9], 0x8b44f7af, 12);
    step<F>(c, d, a, b, x[10], 0xffff5bb1, 17);
    step<F>(b, c, d, a, x[11], 0x895cd7be, 22);
    step<F>(a, b, c, d, x[12], 0x6b901122, 7);
    step<F>(d, a, b, c, x[13], 0xfd987193, 12);
    step<F>(c, d, a, b, x[14], 0xa679438e, 17);
    step<F>(b, c, d, a, x[15], 0x49b40821, 22);

    step<G>(a, b, c, d, x[1], 0xf61e2562, 5);
    step<G>(d, a, b, c, x[6], 0xc040b340, 9);
    step<G>(c, d, a, b, x[11], 0x265e5a51, 14);
    step<G>(b, c, d, a, x[0], 0xe9b6c7aa, 20);
    step<G>(a, b, c, d, x[5], 0xd62f105d, 5);
    step<G>(d, a, b, c, x[10], 0x02441453, 9);
    step<G>(c, d, a, b, x[15], 0xd8a1e681, 14);
    step<G>(b, c, d, a, x[4], 0xe7d3fbc8, 20);
    step<G>(a, b, c, d, x[9], 0x21e1cde6, 5);
    step<G>(d, a, b, c, x[14], 0xc33707d6, 9);
    step<G>(c, d, a, b, x[3], 0xf4d50d87, 14);
    step<G>(b, c, d, a, x[8], 0x455a14ed, 20);
    step<G>(a, b, c, d, x[13], 0xa9e3e905, 5);
    step<G>(d, a, b, c, x[2], 0xfcefa3f8, 9);
    step<G>(c, d, a, b, x[7], 0x676f02d9, 14);
    step<G>(b, c, d, a, x[12], 0x8d2a4c8a, 20);

    step<H>(a, b, c, d, x[5], 0xfffa3942, 4);
    step<H>(d, a, b, c, x[8], 0x8771f681, 11);
    step<H>(c, d, a, b, x[11], 0x6d9d6122, 16);
    step<H>(b, c, d, a, x[14], 0xfde5380c, 23);
    step<H>(a, b, c, d, x[1], 0xa4beea44, 4);
    step<H>(d, a, b, c, x[4], 0x4bdecfa9, 11);
    step<H>(c, d, a, b, x[7], 0xf6bb4b60, 16);
    step<H>(b, c, d, a, x[10], 0xbebfbc70, 23);
    step<H>(a, b, c, d, x[13], 0x289b7ec6, 4);
    step<H>(d, a, b, c, x[0], 0xeaa127fa, 11);
    step<H>(c, d, a, b, x[3], 0xd4ef3085, 16);
    step<H>(b, c, d, a, x[6], 0x04881d05, 23);
    step<H>(a, b, c, d, x[9], 0xd9d4d039, 4);
    step<H>(d, a, b, c, x[12], 0xe6db99e5, 11);
    step<H>(c, d, a, b, x[15], 0x1fa27cf8, 16);
    step<H>(b, c, d, a, x[2], 0xc4ac5665, 23);

    step<I>(a, b, c, d, x[0], 0xf4292244, 6);
    step<I>(d, a, b, c, x[7], 0x432aff97, 10);
    step<I>(c, d, a, b, x[14], 0xab9423a7, 15);
    step<I>(b, c, d, a, x[5], 0xfc93a039, 21);
    step<I>(a, b, c, d, x[12], 0x655b59c3, 6);
    step<I>(d, a, b, c, x[3], 0x8f0ccc92, 10);
    step<I>(c, d, a, b, x[10], 0xffeff47d, 15);
    step<I>(b, c, d, a, x[1], 0x85845dd1, 21);
    step<I>(a, b, c, d, x[8], 0x6fa87e4f, 6);
    step<I>(d, a, b, c, x[15], 0xfe2ce6e0, 10);
    step<I>(c, d, a, b, x[6], 0xa3014314, 15);
    step<I>(b, c, d, a, x[13], 0x4e0811a1, 21);
    step<I>(a, b, c, d, x[4], 0xf7537e82, 6);
    step<I>(d, a, b, c, x[11], 0xbd3af235, 10);
    step<I>(c, d, a, b, x[2], 0x2ad7d2bb, 15);
    step<I>(b, c, d, a, x[9], 0xeb86d391, 21);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
  }
}

// Number of characters of a UTF-8 text (bytes that do not continue a sequence).
size_t characterCount(const std::string& utf8) {
  size_t n = 0;
  for (char ch : utf8) n += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
  return n;
}

}  // namespace

Md5::Md5() {
  reset();
}

void Md5::reset() {
  state_[0] = 0x67452301;
  state_[1] = 0xefcdab89;
  state_[2] = 0x98badcfe;
  state_[3] = 0x10325476;
  count_ = 0;
}

void Md5::update(const void* data, size_t size) {
  if (size == 0) return;  // an empty piece may come without any memory behind it
  const auto* p = static_cast<const uint8_t*>(data);
  size_t used = static_cast<size_t>(count_ % 64);
  count_ += size;
  if (used > 0) {
    const size_t take = std::min(size, 64 - used);
    std::memcpy(buffer_ + used, p, take);
    p += take;
    size -= take;
    if (used + take < 64) return;
    transform(state_, buffer_, 1);
  }
  transform(state_, p, size / 64);
  std::memcpy(buffer_, p + size / 64 * 64, size % 64);
}

std::array<uint8_t, 16> Md5::finish() {
  const uint64_t bits = count_ * 8;
  const size_t used = static_cast<size_t>(count_ % 64);
  uint8_t pad[72] = {0x80};
  const size_t padLength = (used < 56 ? 56 : 120) - used;
  for (int i = 0; i < 8; ++i) pad[padLength + i] = static_cast<uint8_t>(bits >> (8 * i));
  update(pad, padLength + 8);
  std::array<uint8_t, 16> digest;
  for (int i = 0; i < 4; ++i) storeLittleEndian(digest.data() + 4 * i, state_[i]);
  reset();
  return digest;
}

std::string hexDigest(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  Md5 md5;
  md5.update(bytes);
  std::string out;
  for (uint8_t b : md5.finish()) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0f];
  }
  return out;
}

std::string Digest32(const std::string& text) {
  const std::string bytes = utf8ToAnsi(text);
  if (bytes.size() > characterCount(text)) throw Error(errnum::kOverflow, "Overflow");
  return hexDigest(bytes);
}

std::string Digest16(const std::string& text) {
  return hexDigest(utf8ToAnsi(text)).substr(8, 16);
}

}  // namespace sheetcut::md5
