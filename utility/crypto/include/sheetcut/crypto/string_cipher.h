#pragma once

#include <optional>
#include <string>

#include "sheetcut/crypto/rijndael.h"

// The string cipher: a text enciphered with Rijndael under a password, written as hex text,
// and back. Texts and passwords are UTF-8 and are taken as bytes of the configured ANSI code
// page (sheetcut/ansi_codepage.h), so that results agree with texts made on Windows.
//
// Hex text: upper-case pairs, blocks of blkSize/8 bytes separated by two spaces (none after
// the last). Reading hex text takes 0-9, A-F and a-f in order, two to a byte, skips every other
// character and drops a last unpaired digit.
namespace sheetcut::mASE {

// Enciphers srcChar (with isHex, the bytes its hex digits spell). "" gives
// "0000000000000000"; an empty password, or hex text without a digit pair, gives srcChar
// unchanged. Illegal sizes raise sheetcut::Error 1 from SetCipherKey.
std::string EncryptString(const std::string& srcChar, const std::string& pwd, int keyLng = 160,
                          int blkSize = 128, bool isHex = false);

// Deciphers the hex text srcChar. Returns the text (padding zeros become trailing NULs), or
// with isHex its hex text; std::nullopt ("Empty") when the digits are not a whole number of
// blocks. The special results are those of EncryptString; any error gives srcChar unchanged.
std::optional<std::string> DecryptString(const std::string& srcChar, const std::string& pwd,
                                         int keyLng = 160, int blkSize = 128, bool isHex = false);

// Key bytes from a password: with isHex and exactly keyLng/8 bytes of hex digits, those bytes;
// otherwise the password's ANSI bytes cut or zero-filled to 32.
Bytes MakeKeyBytes(const std::string& pwd, int keyLng, bool isHex);

// The bytes that the hex digits of text spell (lenient reading, see above).
Bytes HexToBytes(const std::string& text);

// The first count bytes as hex text, bytesPerBlock bytes to a block.
std::string BytesToHex(const Bytes& bytes, size_t count, size_t bytesPerBlock);

}  // namespace sheetcut::mASE
