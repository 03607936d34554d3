#include "sheetcut/crypto/rijndael.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "little_endian.h"
#include "rijndael_tables.h"
#include "sheetcut/ansi_codepage.h"
#include "sheetcut/error.h"

namespace sheetcut {
namespace {

using rijndael::Tables;

using crypto_detail::loadLittleEndian;
using crypto_detail::storeLittleEndian;

uint8_t row(uint32_t w, int r) {
  return static_cast<uint8_t>(w >> (8 * r));
}

uint32_t subWord(const Tables& t, uint32_t w) {
  return (t.sbox[row(w, 0)] & 0xffu) | (t.sbox[row(w, 1)] & 0xff00u) |
         (t.sbox[row(w, 2)] & 0xff0000u) | (t.sbox[row(w, 3)] & 0xff000000u);
}

// Row shifts of rows 1, 2 and 3 for a block of Nb columns.
constexpr int shift1(int) {
  return 1;
}
constexpr int shift2(int nb) {
  return nb == 8 ? 3 : 2;
}
constexpr int shift3(int nb) {
  return nb >= 7 ? 4 : 3;
}

// One round on a block of Nb columns, written out column by column so that the state stays
// in registers. Table-driven rounds (Final false) use the four combined tables; the final
// round (Final true) uses the substitution box alone. For decryption the shifts are the
// inverse ones, (Nb - Ci), and the tables those of the inverse cipher.
template <int Nb, int C1, int C2, int C3, bool Final, size_t... C>
inline void round(const uint32_t (&tab)[4][256], const uint32_t* box, const uint32_t* s,
                  uint32_t* u, const uint32_t* rk, std::index_sequence<C...>) {
  if constexpr (Final) {
    ((u[C] = ((box[row(s[C], 0)] & 0xffu) | (box[row(s[(C + C1) % Nb], 1)] & 0xff00u) |
              (box[row(s[(C + C2) % Nb], 2)] & 0xff0000u) |
              (box[row(s[(C + C3) % Nb], 3)] & 0xff000000u)) ^
             rk[C]),
     ...);
  } else {
    ((u[C] = tab[0][row(s[C], 0)] ^ tab[1][row(s[(C + C1) % Nb], 1)] ^
             tab[2][row(s[(C + C2) % Nb], 2)] ^ tab[3][row(s[(C + C3) % Nb], 3)] ^ rk[C]),
     ...);
  }
}

template <int Nb, bool Encrypt>
void cipherBlock(const Tables& t, const uint32_t* rk, int nr, const uint8_t* in, uint8_t* out) {
  constexpr int c1 = Encrypt ? shift1(Nb) : Nb - shift1(Nb);
  constexpr int c2 = Encrypt ? shift2(Nb) : Nb - shift2(Nb);
  constexpr int c3 = Encrypt ? shift3(Nb) : Nb - shift3(Nb);
  const auto& tab = Encrypt ? t.enc : t.dec;
  const uint32_t* box = Encrypt ? t.sbox : t.invSbox;
  constexpr auto columns = std::make_index_sequence<Nb>();
  uint32_t s[Nb], u[Nb];
  for (int c = 0; c < Nb; ++c) s[c] = loadLittleEndian(in + 4 * c) ^ rk[c];
  int r = 1;
  for (; r + 1 < nr; r += 2) {
    round<Nb, c1, c2, c3, false>(tab, box, s, u, rk + Nb * r, columns);
    round<Nb, c1, c2, c3, false>(tab, box, u, s, rk + Nb * (r + 1), columns);
  }
  if (r < nr) {
    round<Nb, c1, c2, c3, false>(tab, box, s, u, rk + Nb * r, columns);
    round<Nb, c1, c2, c3, true>(tab, box, u, s, rk + Nb * nr, columns);
  } else {
    round<Nb, c1, c2, c3, true>(tab, box, s, u, rk + Nb * nr, columns);
    std::memcpy(s, u, sizeof s);
  }
  for (int c = 0; c < Nb; ++c) storeLittleEndian(out + 4 * c, s[c]);
}

template <int Nb, bool Encrypt>
void runBlocks(const uint32_t* rk, int nr, const uint8_t* in, uint8_t* out, size_t count) {
  const Tables& t = rijndael::tables();
  for (size_t i = 0; i < count; ++i, in += 4 * Nb, out += 4 * Nb) {
    cipherBlock<Nb, Encrypt>(t, rk, nr, in, out);
  }
}

template <bool Encrypt>
void dispatch(int nb, const uint32_t* rk, int nr, const uint8_t* in, uint8_t* out, size_t count) {
  switch (nb) {
    case 4:
      return runBlocks<4, Encrypt>(rk, nr, in, out, count);
    case 5:
      return runBlocks<5, Encrypt>(rk, nr, in, out, count);
    case 6:
      return runBlocks<6, Encrypt>(rk, nr, in, out, count);
    case 7:
      return runBlocks<7, Encrypt>(rk, nr, in, out, count);
    case 8:
      return runBlocks<8, Encrypt>(rk, nr, in, out, count);
  }
}

bool legalBits(int bits) {
  return bits == 128 || bits == 160 || bits == 192 || bits == 224 || bits == 256;
}

[[noreturn]] void subscriptOutOfRange(const char* member) {
  throw Error(errnum::kSubscriptOutOfRange, "Subscript out of range",
              std::string("cRijndael.") + member);
}

// Checks that the block of nb words at offset lies inside an array of size bytes.
void checkRange(size_t size, long offset, int nb, const char* member) {
  if (offset < 0 || static_cast<size_t>(offset) > size ||
      size - static_cast<size_t>(offset) < 4u * nb)
    subscriptOutOfRange(member);
}

}  // namespace

clsASE::clsASE() {
  rijndael::tables();
}

int clsASE::SetCipherKey(const Bytes& pass, int KeyBits, int BlockBits) {
  if (!legalBits(BlockBits))
    throw Error(errnum::kGeneric, "cRijndael.SetCipherKey - Illegal BlockBits Value");
  if (!legalBits(KeyBits))
    throw Error(errnum::kGeneric, "cRijndael.SetCipherKey - Illegal KeyBits Value");
  const int nk = KeyBits / 32;
  const int nb = BlockBits / 32;
  if (pass.size() < static_cast<size_t>(4 * nk)) subscriptOutOfRange("SetCipherKey");

  const Tables& t = rijndael::tables();
  const int nr = std::max(nk, nb) + 6;
  const int total = nb * (nr + 1);
  uint32_t w[120];
  for (int i = 0; i < nk; ++i) w[i] = loadLittleEndian(pass.data() + 4 * i);
  for (int i = nk; i < total; ++i) {
    uint32_t temp = w[i - 1];
    if (i % nk == 0)
      temp = subWord(t, (temp >> 8) | (temp << 24)) ^ t.rcon[i / nk - 1];
    else if (nk > 6 && i % nk == 4)
      temp = subWord(t, temp);
    w[i] = w[i - nk] ^ temp;
  }
  std::fill(std::begin(encKeys_), std::end(encKeys_), 0u);
  std::copy(w, w + total, encKeys_);
  rounds_ = nr;
  keyNb_ = nb;
  MakeDecryptKeys(nb);
  return 0;
}

int clsASE::SetCipherKeyString(const std::string& PassPhrase, int KeyBits, int BlockBits) {
  Bytes key(32, 0);
  const std::string ansi = utf8ToAnsi(PassPhrase);
  std::copy_n(ansi.begin(), std::min<size_t>(ansi.size(), key.size()), key.begin());
  return SetCipherKey(key, KeyBits, BlockBits);
}

// Round keys for the equivalent inverse cipher: rounds in reverse order, InvMixColumns applied
// to every round but the first and the last.
void clsASE::MakeDecryptKeys(int Nb) {
  const Tables& t = rijndael::tables();
  std::fill(std::begin(decKeys_), std::end(decKeys_), 0u);
  for (int r = 0; r <= rounds_; ++r)
    std::copy_n(encKeys_ + Nb * (rounds_ - r), Nb, decKeys_ + Nb * r);
  for (int i = Nb; i < Nb * rounds_; ++i) {
    const uint32_t k = decKeys_[i];
    decKeys_[i] = t.dec[0][row(t.sbox[row(k, 0)], 0)] ^ t.dec[1][row(t.sbox[row(k, 1)], 0)] ^
                  t.dec[2][row(t.sbox[row(k, 2)], 0)] ^ t.dec[3][row(t.sbox[row(k, 3)], 0)];
  }
}

void clsASE::requireKey(int nb, const char* member) const {
  if (rounds_ == 0 || keyNb_ != nb)
    throw Error(errnum::kGeneric, std::string("cRijndael.") + member + " - No cipher key set for " +
                                      std::to_string(32 * nb) + "-bit blocks");
}

void clsASE::encryptBlocks(const uint8_t* in, uint8_t* out, size_t count) const {
  dispatch<true>(keyNb_, encKeys_, rounds_, in, out, count);
}

void clsASE::decryptBlocks(const uint8_t* in, uint8_t* out, size_t count) const {
  dispatch<false>(keyNb_, decKeys_, rounds_, in, out, count);
}

void clsASE::encryptMember(int nb, const char* member, const Bytes& in, Bytes& out, long p,
                           long q) {
  requireKey(nb, member);
  checkRange(in.size(), p, nb, member);
  checkRange(out.size(), q, nb, member);
  // The block is read whole before anything is written, so in and out may be one array.
  encryptBlocks(in.data() + p, out.data() + q, 1);
}

void clsASE::decryptMember(int nb, const char* member, Bytes& out, const Bytes& in, long p,
                           long q) {
  requireKey(nb, member);
  checkRange(in.size(), q, nb, member);
  checkRange(out.size(), p, nb, member);
  decryptBlocks(in.data() + q, out.data() + p, 1);
}

void clsASE::BlockEncrypt(const Bytes& pt, Bytes& ct, long p, long q) {
  encryptMember(4, "BlockEncrypt", pt, ct, p, q);
}
void clsASE::BlockDecrypt(Bytes& pt, const Bytes& ct, long p, long q) {
  decryptMember(4, "BlockDecrypt", pt, ct, p, q);
}
void clsASE::Block160Encrypt(const Bytes& pt, Bytes& ct, long p, long q) {
  encryptMember(5, "Block160Encrypt", pt, ct, p, q);
}
void clsASE::Block160Decrypt(Bytes& pt, const Bytes& ct, long p, long q) {
  decryptMember(5, "Block160Decrypt", pt, ct, p, q);
}
void clsASE::Block192Encrypt(const Bytes& pt, Bytes& ct, long p, long q) {
  encryptMember(6, "Block192Encrypt", pt, ct, p, q);
}
void clsASE::Block192Decrypt(Bytes& pt, const Bytes& ct, long p, long q) {
  decryptMember(6, "Block192Decrypt", pt, ct, p, q);
}
void clsASE::Block224Encrypt(const Bytes& pt, Bytes& ct, long p, long q) {
  encryptMember(7, "Block224Encrypt", pt, ct, p, q);
}
void clsASE::Block224Decrypt(Bytes& pt, const Bytes& ct, long p, long q) {
  decryptMember(7, "Block224Decrypt", pt, ct, p, q);
}
void clsASE::Block256Encrypt(const Bytes& pt, Bytes& ct, long p, long q) {
  encryptMember(8, "Block256Encrypt", pt, ct, p, q);
}
void clsASE::Block256Decrypt(Bytes& pt, const Bytes& ct, long p, long q) {
  decryptMember(8, "Block256Decrypt", pt, ct, p, q);
}

}  // namespace sheetcut
