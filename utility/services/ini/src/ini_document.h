#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace mobrel {

// The lines of one INI file as read, each with its original bytes, so that an edit rewrites
// only the lines it touches. Text is decoded before parsing: a GBK trail byte may be "[", "]"
// or "\", so the raw bytes cannot be parsed directly.
class IniDocument {
 public:
  // Parses file bytes: valid UTF-8 is read as UTF-8, anything else in the ANSI code page.
  static IniDocument parse(const std::string& bytes);

  // The trimmed value of the first matching key of the first matching section, before the
  // quote and length rules of a profile read.
  std::optional<QString> value(const QString& section, const QString& key) const;

  void setValue(const QString& section, const QString& key, const QString& value);
  bool removeKey(const QString& section, const QString& key);
  bool removeSection(const QString& section);

  std::string bytes() const;

 private:
  enum class Kind { Other, Section, Key };
  struct Line {
    std::string raw;  // the line's bytes, its terminator included
    Kind kind = Kind::Other;
    QString name;   // section or key name, trimmed
    QString value;  // key value, trimmed
  };

  Line makeLine(const QString& text) const;
  std::string encode(const QString& text) const;
  std::optional<size_t> findSection(const QString& section) const;
  size_t sectionEnd(size_t header) const;
  std::optional<size_t> findKey(size_t header, const QString& key) const;
  void terminateLastLine();

  std::vector<Line> lines_;
  bool utf8_ = true;
  std::string eol_ = "\r\n";
};

}  // namespace mobrel
