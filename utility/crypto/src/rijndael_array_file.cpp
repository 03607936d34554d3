// Whole arrays and whole files in electronic code book mode: zero padding to whole blocks and
// an optional length byte in the last byte of the last block.
#include <algorithm>
#include <cstring>

#include "replacing_file.h"
#include "sheetcut/crypto/rijndael.h"
#include "sheetcut/error.h"

namespace sheetcut {
namespace {

using crypto_detail::InputFile;
using crypto_detail::ReplacingFile;

// Block length in bytes for a legal BlockBits, else 0.
size_t blockBytes(int blockBits) {
  switch (blockBits) {
    case 128:
    case 160:
    case 192:
    case 224:
    case 256:
      return static_cast<size_t>(blockBits / 8);
    default:
      return 0;
  }
}

size_t requireBlockBytes(int blockBits, const char* member) {
  const size_t c = blockBytes(blockBits);
  if (c == 0)
    throw Error(errnum::kGeneric,
                std::string("cRijndael.") + member + " - Illegal BlockBits value");
  return c;
}

// Files are streamed in chunks of whole blocks of about this size.
constexpr size_t kChunkTarget = 4'000'000;

}  // namespace

int clsASE::ArrayEncrypt(const Bytes& plaintext, Bytes& ciphertext, int appendsize, int BlockBits) {
  const size_t c = requireBlockBytes(BlockBits, "ArrayEncrypt");
  requireKey(static_cast<int>(c / 4), "ArrayEncrypt");
  const size_t n = plaintext.size();
  const size_t total = appendsize != 0 ? (n / c + 1) * c : (n + c - 1) / c * c;
  Bytes out(total, 0);
  const size_t whole = n / c;
  encryptBlocks(plaintext.data(), out.data(), whole);
  const size_t done = whole * c;
  if (done < total) {
    std::copy(plaintext.begin() + static_cast<long>(done), plaintext.end(),
              out.begin() + static_cast<long>(done));
    if (appendsize != 0) out[total - 1] = static_cast<uint8_t>(n % c);
    encryptBlocks(out.data() + done, out.data() + done, 1);
  }
  ciphertext = std::move(out);
  return 0;
}

int clsASE::ArrayDecrypt(Bytes& plaintext, const Bytes& ciphertext, int appendsize, int BlockBits) {
  const size_t c = requireBlockBytes(BlockBits, "ArrayDecrypt");
  requireKey(static_cast<int>(c / 4), "ArrayDecrypt");
  const size_t n = ciphertext.size();
  if (n % c != 0) return -1;
  Bytes out(n);
  decryptBlocks(ciphertext.data(), out.data(), n / c);
  int result = 0;
  if (appendsize != 0 && n > 0) {
    const size_t r = out[n - 1];
    if (r >= c) {
      result = 1;
    } else if (n - c + r > 0) {
      out.resize(n - c + r);
    }
  }
  plaintext = std::move(out);
  return result;
}

int clsASE::FileEncrypt(const std::string& PlaintextFileName, const std::string& CiphertextFileName,
                        int BlockBits) {
  const size_t c = requireBlockBytes(BlockBits, "FileEncrypt");
  crypto_detail::requireRegularFile(PlaintextFileName, "FileEncrypt");
  crypto_detail::requireRegularFile(CiphertextFileName, "FileEncrypt");
  requireKey(static_cast<int>(c / 4), "FileEncrypt");
  InputFile in(PlaintextFileName, "FileEncrypt", CiphertextFileName);
  const size_t len = in.size();
  const size_t chunk = c * (kChunkTarget / c);
  size_t remaining = (len / c + 1) * c;
  size_t left = len;  // bytes of the file not read yet
  ReplacingFile out(CiphertextFileName, "FileEncrypt", &in);
  Bytes buf(std::min(chunk, remaining));
  while (chunk < remaining) {
    in.readExactly(buf.data(), chunk);
    left -= chunk;
    encryptBlocks(buf.data(), buf.data(), chunk / c);
    out.write(buf.data(), chunk);
    remaining -= chunk;
  }
  // The last piece: the rest of the file, zeros, and the length byte.
  std::fill_n(buf.begin(), remaining, 0);
  in.readExactly(buf.data(), left);
  buf[remaining - 1] = static_cast<uint8_t>(len % c);
  encryptBlocks(buf.data(), buf.data(), remaining / c);
  out.write(buf.data(), remaining);
  out.commit();
  return 0;
}

int clsASE::FileDecrypt(const std::string& PlaintextFileName, const std::string& CiphertextFileName,
                        int BlockBits) {
  const size_t c = requireBlockBytes(BlockBits, "FileDecrypt");
  crypto_detail::requireRegularFile(CiphertextFileName, "FileDecrypt");
  crypto_detail::requireRegularFile(PlaintextFileName, "FileDecrypt");
  requireKey(static_cast<int>(c / 4), "FileDecrypt");
  InputFile in(CiphertextFileName, "FileDecrypt", PlaintextFileName);
  const size_t len = in.size();
  if (len == 0 || len % c != 0) return 1;
  const size_t chunk = c * (kChunkTarget / c);
  size_t remaining = len;
  ReplacingFile out(PlaintextFileName, "FileDecrypt", &in);
  Bytes buf(std::min(chunk, remaining));
  while (chunk < remaining) {
    in.readExactly(buf.data(), chunk);
    decryptBlocks(buf.data(), buf.data(), chunk / c);
    out.write(buf.data(), chunk);
    remaining -= chunk;
  }
  in.readExactly(buf.data(), remaining);
  decryptBlocks(buf.data(), buf.data(), remaining / c);
  const size_t r = buf[remaining - 1];
  // A length byte of c or more is not judged: the whole piece is kept.
  out.write(buf.data(), r < c ? remaining - c + r : remaining);
  out.commit();
  return 0;
}

}  // namespace sheetcut
