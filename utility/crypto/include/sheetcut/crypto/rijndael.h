#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sheetcut {

using Bytes = std::vector<uint8_t>;

// The Rijndael block cipher for blocks and keys of 128, 160, 192, 224 and 256 bits, with
// whole-array and whole-file encryption in electronic code book mode. With 128-bit blocks and
// 128-, 192- or 256-bit keys it is AES. Errors are sheetcut::Error; their messages name the
// class "cRijndael" as the texts made by the original library did.
//
// Set a key with SetCipherKey for the block size you will use, then call the block, array or
// file members of that size. A block member called without a key, or with a key set for
// another block size, fails with error 1.
class clsASE {
 public:
  clsASE();

  // Sets the key from the first KeyBits/8 bytes of pass. Returns 0. Raises error 1 for an
  // illegal BlockBits (checked first) or KeyBits, error 9 when pass is too short; the previous
  // key is kept on failure.
  int SetCipherKey(const Bytes& pass, int KeyBits, int BlockBits);
  // The pass phrase (UTF-8) in the ANSI code page, cut or zero-filled to 32 bytes.
  int SetCipherKeyString(const std::string& PassPhrase, int KeyBits, int BlockBits);

  // Encrypt: the block at byte offset p of plaintext into offset q of ciphertext.
  // Decrypt: the block at offset q of ciphertext into offset p of plaintext.
  // Both arrays may be the same object. A block outside its array raises error 9.
  void BlockEncrypt(const Bytes& plaintext, Bytes& ciphertext, long p, long q);
  void BlockDecrypt(Bytes& plaintext, const Bytes& ciphertext, long p, long q);
  void Block160Encrypt(const Bytes& plaintext, Bytes& ciphertext, long p, long q);
  void Block160Decrypt(Bytes& plaintext, const Bytes& ciphertext, long p, long q);
  void Block192Encrypt(const Bytes& plaintext, Bytes& ciphertext, long p, long q);
  void Block192Decrypt(Bytes& plaintext, const Bytes& ciphertext, long p, long q);
  void Block224Encrypt(const Bytes& plaintext, Bytes& ciphertext, long p, long q);
  void Block224Decrypt(Bytes& plaintext, const Bytes& ciphertext, long p, long q);
  void Block256Encrypt(const Bytes& plaintext, Bytes& ciphertext, long p, long q);
  void Block256Decrypt(Bytes& plaintext, const Bytes& ciphertext, long p, long q);

  // Replaces ciphertext with plaintext zero-padded to whole blocks and enciphered. With a
  // non-zero appendsize the output has (n / c + 1) * c bytes and its last byte, before
  // enciphering, is n mod c. Returns 0.
  int ArrayEncrypt(const Bytes& plaintext, Bytes& ciphertext, int appendsize, int BlockBits);
  // Replaces plaintext with the deciphered ciphertext. Returns 0; -1 when the ciphertext is
  // not a whole number of blocks (plaintext untouched); 1 when appendsize is set and the
  // length byte is not below the block size (plaintext kept at full length). With appendsize
  // the plaintext is cut to its stored length when that is above 0.
  int ArrayDecrypt(Bytes& plaintext, const Bytes& ciphertext, int appendsize, int BlockBits);

  // Enciphers a file with the length byte, streaming in chunks of about 4,000,000 bytes. The
  // output is written to a temporary file beside it and renamed into place, so the input and
  // output may be the same path and a failure leaves no partial output. Returns 0.
  int FileEncrypt(const std::string& PlaintextFileName, const std::string& CiphertextFileName,
                  int BlockBits);
  // Deciphers CiphertextFileName into PlaintextFileName, honouring the length byte when it is
  // below the block size. Returns 1, touching no file, when the ciphertext file is empty or
  // not a whole number of blocks; else 0.
  int FileDecrypt(const std::string& PlaintextFileName, const std::string& CiphertextFileName,
                  int BlockBits);

  // The round count of the current key (0 before any key) and the number of round-key words
  // it uses.
  int RoundCount() const { return rounds_; }
  int RoundKeyWords() const { return rounds_ == 0 ? 0 : keyNb_ * (rounds_ + 1); }

 private:
  // count whole blocks of the keyed block size; in and out may be the same buffer.
  void encryptBlocks(const uint8_t* in, uint8_t* out, size_t count) const;
  void decryptBlocks(const uint8_t* in, uint8_t* out, size_t count) const;
  void MakeDecryptKeys(int Nb);
  void requireKey(int nb, const char* member) const;
  void encryptMember(int nb, const char* member, const Bytes& in, Bytes& out, long p, long q);
  void decryptMember(int nb, const char* member, Bytes& out, const Bytes& in, long p, long q);

  int rounds_ = 0;
  int keyNb_ = 0;  // block size in words that the key was set for; 0 before any key
  uint32_t encKeys_[120] = {};
  uint32_t decKeys_[120] = {};
};

}  // namespace sheetcut
