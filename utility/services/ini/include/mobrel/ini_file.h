#pragma once

#include <QString>
#include <vector>

namespace mobrel {

// One INI file with the Windows profile-string rules: section and key names compare without
// regard to case, names and values are trimmed, a value in a matching pair of quotes loses
// them on read, the first matching section and key win. A key is rewritten in place, a new key
// goes after the last line of its section, a new section at the end of the file; every other
// line keeps its bytes.
//
// A header names its section up to the first "]" that only blanks or a ";" comment follow
// ("[sec] ; note" is "sec"), else up to its last "]" ("[we]ird]" is "we]ird"). A section name
// that holds a "]" followed by blanks and ";" (a drawing in a folder "x] ;y") is written as
// "[name]" and found by that whole text between the brackets, so every section name that may be
// written reads back. A header that names a section only because the first rule cuts it short
// ("[x] ;y]" for "x") serves it where no header names it plainly ("[x]").
//
// A file that begins with a UTF-16 byte-order mark (little- or big-endian) is read as UTF-16; a
// file whose bytes are valid UTF-8 is read as UTF-8, any other in the ANSI code page (GBK). Each
// is written back in the encoding it was read in, a UTF-16 file whole, with its one mark; a new
// file is UTF-8. A line ends at CR LF, LF or a lone CR, and new lines take the file's ending.
// A file that is no text at all (binary data, a NUL byte in a file without the UTF-16 mark,
// UTF-16 that is not whole) reads as empty, and every change of it is refused naming the file,
// which keeps its bytes. Nothing is cached:
// every call reads the file, every change is written at once, under a lock and through a
// temporary file that is renamed into place. The lock is that of the folder where the rename
// happens (a symbolic link's target folder), and the new file keeps the old one's mode, and
// owner and group as far as the writer may set them. A change waits a few seconds at most for
// a lock that someone else holds, then fails naming the file and that it is locked.
class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(QString path) : INIFileName(std::move(path)) {}

  // The full path of the file; each call uses the value it holds at that time.
  QString INIFileName;

  // The value of the key, "" when the file, section or key is missing. At most 1023 bytes in
  // the ANSI code page; a longer value is cut before the character that would pass the limit.
  // A path that is not a regular file (a named pipe, a device) is not opened: the answer is ""
  // and readFailure() names it.
  QString GetIniKey(const QString& section, const QString& key) const;

  // Adds or replaces the key, creating the section and the file when missing (not a missing
  // folder). CR and LF in the value are written as spaces, NUL characters left out. A section or
  // key name that would not read back as the same name (a line break, "=" in a key, ... see
  // unholdableName) is refused, as is a path that is not a regular file, and a name or value with a
  // character that a file in the ANSI code page has no code for (it would be stored as "?"): the
  // message names it and those characters. So is any change of a file in the ANSI code page after
  // which its bytes would read as UTF-8 (the message names the file). Returns false when the file
  // could not be written (writeFailure says why); the file is then as it was.
  bool WriteIniKey(const QString& section, const QString& key, const QString& value);

  // Writes the keys in order as WriteIniKey would one by one, with one read and one write of
  // the file, and at a cost that grows with the file and the keys, not with their product.
  struct KeyWrite {
    QString section, key, value;
  };
  bool WriteIniKeys(const std::vector<KeyWrite>& keys);

  // Removes the key's line. A missing file, section or key changes nothing. Like a write, it
  // is refused where the file in the ANSI code page would then read as UTF-8.
  bool DelIniKey(const QString& section, const QString& key);

  // Removes the section header and every line up to the next section.
  bool DelIniSec(const QString& section);

  // Why the last change made through this object was not written, in Chinese like the
  // program's messages: the file or folder that refused it and the system's reason. "" when
  // it was written.
  QString writeFailure() const { return writeFailure_; }

  // Why the last GetIniKey did not read the file although something is there: not a regular
  // file, or a file that another writer kept locked for longer than a read waits (a read takes
  // the file's shared lock, so that it sees a file written in place whole); "" otherwise (a
  // missing file, section or key is no failure).
  QString readFailure() const { return readFailure_; }

 private:
  QString writeFailure_;
  mutable QString readFailure_;
};

}  // namespace mobrel
