#pragma once

#include <QHash>
#include <QString>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "mobrel/ini_file.h"

namespace mobrel {

// The lines of one INI file as read, each with its original bytes, so that an edit rewrites
// only the lines it touches. Text is decoded before parsing: a GBK trail byte may be "[", "]"
// or "\", so the raw bytes cannot be parsed directly.
//
// A header line "[...]" names its section up to the first "]" that only blanks or a ";" comment
// follow ("[sec] ; note [mm]" is the section "sec", as other programs write it), else up to its
// last "]" ("[we]ird]" is "we]ird"). A name that itself holds a "]" followed by blanks and ";"
// (a folder "x] ;y" in a drawing's path) would never be found by that rule, so such a name is
// found by the whole text between the line's first "[" and its last "]": "[/x] ;y/s.dxf]" is
// found as "/x] ;y/s.dxf" (and, by the first rule, as "/x"). The two rules never answer the same
// name (a name found by the first holds no such "]"), so files read as they always did, and
// every name that IniFile writes reads back as itself. A header that the first rule cuts short
// serves its name only where no header names it plainly ("[/x]" or "[/x] ; note"), so a report
// that holds "[/x] ;y/s.dxf]" before "[/x]" still finds "/x" in the latter, as it always did.
//
// A line ends at "\r\n", "\n" or a lone "\r"; new lines take the first ending found in the file
// ("\r\n" in a file without one).
//
// A file that begins with a UTF-16 byte-order mark (FF FE little-endian, FE FF big-endian, as
// Windows editors save "Unicode") is decoded to UTF-8 once, its mark kept as U+FEFF at the start
// of the first line, and each line is kept as UTF-8 from then on; the bytes handed back are
// UTF-16 again in the same byte order, so that the file keeps its one mark and untouched lines
// their bytes.
class IniDocument {
 public:
  // Parses file bytes: UTF-16 after its mark, else valid UTF-8 as UTF-8 and anything else in
  // the ANSI code page. Bytes that are no text (see readable) give a document without lines.
  static IniDocument parse(const std::string& bytes);

  // False for bytes that are no text at all: UTF-16 after its mark that is not whole UTF-16
  // (an odd number of bytes, a lone surrogate), bytes without that mark that hold a NUL (UTF-16
  // without its mark, binary data), or text that holds U+0000. Such a file reads as empty, and
  // must not be written: a write would lose what it holds.
  bool readable() const { return readable_; }

  // The trimmed value of the first matching key of the first matching section, before the
  // quote and length rules of a profile read.
  std::optional<QString> value(const QString& section, const QString& key) const;

  void setValue(const QString& section, const QString& key, const QString& value);
  // Sets the keys in order as setValue would one by one (values as given), in one pass over the
  // lines however many new keys land in earlier sections.
  void setValues(const std::vector<IniFile::KeyWrite>& keys);
  bool removeKey(const QString& section, const QString& key);
  bool removeSection(const QString& section);

  // The section as told apart from others, trimmed and in one case: the name of the header
  // that the name finds (a header "[x] ;y]" is found by "x] ;y" and by "x" alike), else the name.
  QString sectionIdentity(const QString& section) const;

  // Whether setValue of this key only adds lines at the end of the document (a new section,
  // or a new key of the last section with nothing blank after it), so that the file grows by
  // exactly those bytes and no earlier byte changes.
  bool appendsAtEnd(const QString& section, const QString& key) const;
  size_t lineCount() const { return lines_.size(); }
  // The bytes from byte `offset` of line `line` to the end of the document, as they are added
  // to the file (a UTF-16 file's without a second mark). `offset` counts bytes of lineSize.
  std::string bytesFrom(size_t line, size_t offset) const;
  // The size of the line as kept (UTF-8 for a UTF-16 file), its terminator included.
  size_t lineSize(size_t line) const { return lines_[line].raw.size(); }

  std::string bytes() const;
  // Whether these bytes of a document read in the ANSI code page would read back as UTF-8 (they
  // hold no byte that UTF-8 refuses, but one above ASCII), and so as other text.
  bool readsAsUtf8(const std::string& bytes) const;
  // Whether setting these keys (as setValues would) leaves such a document with bytes that read
  // as UTF-8. Costs as much as the keys while a line that UTF-8 refuses stays in the document,
  // which is nearly always; as much as the document where the keys replace every such line.
  bool readsAsUtf8After(const std::vector<IniFile::KeyWrite>& keys) const;

  // Takes the encoding in which `written`, this document's bytes just written, reads again: a
  // document in the ANSI code page that a change left all ASCII is UTF-8 from then on, as a
  // plain write of the file as it now is takes it, so that text added later is UTF-8 too.
  void rereadAs(const std::string& written);

  // The characters of the text that the document's encoding has no code for (each once, in
  // order of appearance): none in UTF-8; in the ANSI code page those that would be written as
  // "?".
  QString unencodable(const QString& text) const;

 private:
  enum class Kind { Other, Section, Key };
  enum class Utf16 { No, LittleEndian, BigEndian };
  struct Line {
    std::string raw;  // the line's bytes (UTF-8 in a UTF-16 file), its terminator included
    Kind kind = Kind::Other;
    QString name;   // section or key name, trimmed
    QString value;  // key value, trimmed
    // A header that ends with "]" but whose name the first rule cuts short: the whole text
    // between its brackets, trimmed (see the class comment). Empty otherwise.
    QString wholeName;
  };
  // New keys of one section that land before its end, inserted once all keys are set.
  struct Insertion {
    size_t at = 0;
    std::vector<Line> lines;
  };

  void parseLines(const std::string& text);
  // The kept bytes as the file holds them.
  std::string fileBytes(std::string kept) const;
  Line makeLine(const QString& text) const;
  std::string encode(const QString& text) const;
  std::optional<size_t> findSection(const QString& section) const;
  size_t sectionEnd(size_t header) const;
  std::optional<size_t> findKey(size_t header, const QString& key) const;
  size_t insertionPoint(size_t header) const;
  void terminateLastLine();
  Line keyLine(const QString& name, const QString& value) const;
  void insertAll(std::vector<Insertion>& insertions);
  // A line that ends in a lone CR now followed by a blank line that ends in LF (a file of mixed
  // endings, after lines between them went or came): the two read as one line ending in CR LF,
  // and are kept so, so that the lines are what a read of the bytes gives.
  void joinSplitEndings();

  // Sections and keys by name, so that a look-up costs the same however long the file is.
  // Built on first use; lines added at the end keep it, any other change of the lines drops it.
  void buildIndex() const;
  void indexLine(size_t line) const;
  static QString keyOf(size_t header, const QString& name);

  std::vector<Line> lines_;
  mutable bool indexed_ = false;
  mutable std::unordered_map<QString, size_t> sections_;       // folded name -> first header
  mutable std::unordered_map<QString, size_t> wholeSections_;  // folded whole name -> header
  mutable std::unordered_map<QString, size_t> cutSections_;    // the same headers by first rule
  mutable std::vector<size_t> headers_;                        // every header line, in order
  mutable std::unordered_map<QString, size_t> keys_;  // header and folded key -> first line
  mutable size_t lastHeader_ = 0;                     // valid when hasHeader_
  mutable bool hasHeader_ = false;
  // Lines whose bytes UTF-8 refuses, in a document in the ANSI code page: a file reads as UTF-8
  // again only without any, since line ends never fall inside a character.
  mutable size_t foreignLines_ = 0;
  bool utf8_ = true;  // also for a UTF-16 file, whose lines are kept as UTF-8
  Utf16 utf16_ = Utf16::No;
  bool readable_ = true;
  std::string eol_ = "\r\n";
};

}  // namespace mobrel
