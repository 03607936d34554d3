#include "sheetcut/crypto/string_cipher.h"

#include <algorithm>

#include "sheetcut/ansi_codepage.h"

namespace sheetcut::mASE {
namespace {

const char kEmptySourceResult[] = "0000000000000000";

int hexValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  return -1;
}

Bytes toBytes(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

}  // namespace

Bytes HexToBytes(const std::string& text) {
  Bytes out;
  out.reserve(text.size() / 2);
  int pending = -1;
  for (char ch : text) {
    const int v = hexValue(ch);
    if (v < 0) continue;
    if (pending < 0) {
      pending = v;
    } else {
      out.push_back(static_cast<uint8_t>(pending * 16 + v));
      pending = -1;
    }
  }
  return out;
}

std::string BytesToHex(const Bytes& bytes, size_t count, size_t bytesPerBlock) {
  static const char kDigits[] = "0123456789ABCDEF";
  count = std::min(count, bytes.size());
  std::string out;
  out.reserve(2 * count + (count > 0 && bytesPerBlock > 0 ? 2 * ((count - 1) / bytesPerBlock) : 0));
  for (size_t i = 0; i < count; ++i) {
    if (i > 0 && bytesPerBlock > 0 && i % bytesPerBlock == 0) out += "  ";
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0x0f];
  }
  return out;
}

Bytes MakeKeyBytes(const std::string& pwd, int keyLng, bool isHex) {
  if (isHex) {
    Bytes key = HexToBytes(pwd);
    if (keyLng >= 0 && key.size() == static_cast<size_t>(keyLng / 8)) return key;
  }
  Bytes key = toBytes(utf8ToAnsi(pwd));
  key.resize(32, 0);
  return key;
}

std::string EncryptString(const std::string& srcChar, const std::string& pwd, int keyLng,
                          int blkSize, bool isHex) {
  if (srcChar.empty()) return kEmptySourceResult;
  if (pwd.empty()) return srcChar;
  const Bytes key = MakeKeyBytes(pwd, keyLng, isHex);
  const Bytes plain = isHex ? HexToBytes(srcChar) : toBytes(utf8ToAnsi(srcChar));
  if (plain.empty()) return srcChar;
  clsASE cipher;
  cipher.SetCipherKey(key, keyLng, blkSize);
  Bytes encrypted;
  cipher.ArrayEncrypt(plain, encrypted, 0, blkSize);
  return BytesToHex(encrypted, encrypted.size(), static_cast<size_t>(blkSize / 8));
}

std::optional<std::string> DecryptString(const std::string& srcChar, const std::string& pwd,
                                         int keyLng, int blkSize, bool isHex) {
  if (srcChar.empty()) return kEmptySourceResult;
  if (pwd.empty()) return srcChar;
  try {
    const Bytes key = MakeKeyBytes(pwd, keyLng, isHex);
    const Bytes encrypted = HexToBytes(srcChar);
    if (encrypted.empty()) return srcChar;
    clsASE cipher;
    cipher.SetCipherKey(key, keyLng, blkSize);
    Bytes plain;
    if (cipher.ArrayDecrypt(plain, encrypted, 0, blkSize) != 0) return std::nullopt;
    if (isHex) return BytesToHex(plain, plain.size(), static_cast<size_t>(blkSize / 8));
    return ansiToUtf8(std::string(plain.begin(), plain.end()));
  } catch (...) {
    return srcChar;
  }
}

}  // namespace sheetcut::mASE
