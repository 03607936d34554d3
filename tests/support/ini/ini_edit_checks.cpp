#include "ini_edit_checks.h"

#include <QRegularExpression>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

#include "ini_document.h"
#include "mobrel/ini_file.h"
#include "mobrel/ini_values.h"
#include "mobrel/kept_ini_file.h"
#include "sheetcut/ansi_codepage.h"

// Layout of an input: two bytes (little-endian) give the length of the file's content, which
// follows (no file at all when it is 0); then changes, each an operation byte and its texts. A
// text is one byte: below 0xE0 a word of kWords, 0xFF a long value, else a string of up to 31
// raw bytes read as UTF-8.

namespace sheetcut::testing {

namespace {

using mobrel::IniFile;
using mobrel::KeptIniFile;

// Names and values the changes pick from, so that they meet each other and the file's lines.
const char* const kWords[] = {"a",     "A",      "b",
                              "k",     "K",      "m",
                              "x",     "",       " a",
                              "a ",    "你",     "孝",
                              "Т",     "张数",   "\U0001F600",
                              "x] ;y", "x]",     "[s]",
                              "=",     "k=v",    ";c",
                              "\"q\"", "'q'",    "a\tb",
                              "도면",  "\u3000", "\r",
                              "\n",    "v\r\nw", "乚",
                              "€",     "s",      "\xEF\xBB\xBF[b]"};

class Input {
 public:
  explicit Input(std::string_view bytes) : in_(bytes) {}
  bool done() const { return pos_ >= in_.size(); }
  unsigned byte() { return pos_ < in_.size() ? static_cast<unsigned char>(in_[pos_++]) : 0u; }
  std::string_view bytes(size_t n) {
    n = std::min(n, in_.size() - pos_);
    const std::string_view s = in_.substr(pos_, n);
    pos_ += n;
    return s;
  }
  QString text() {
    const unsigned b = byte();
    if (b < 0xE0) return QString::fromUtf8(kWords[b % std::size(kWords)]);
    if (b == 0xFF) return QString(static_cast<qsizetype>(1000 + byte()), u'x');
    const std::string_view raw = bytes(b & 0x1F);
    return QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
  }

 private:
  std::string_view in_;
  size_t pos_ = 0;
};

std::optional<std::string> fileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool hasUtf16Mark(const std::string& b) {
  return b.rfind("\xFF\xFE", 0) == 0 || b.rfind("\xFE\xFF", 0) == 0;
}

// The UTF-16 code units of a file with its mark (the mark included).
std::u16string utf16Units(const std::string& b) {
  const bool little = b[0] == '\xFF';
  std::u16string units;
  for (size_t i = 0; i + 1 < b.size(); i += 2) {
    const auto first = static_cast<unsigned char>(b[i]);
    const auto second = static_cast<unsigned char>(b[i + 1]);
    units += static_cast<char16_t>(little ? (first | (second << 8)) : ((first << 8) | second));
  }
  return units;
}

// Whether an INI file may hold these bytes as text (see IniDocument::readable), told here
// without the library's code.
bool isText(const std::string& b) {
  if (!hasUtf16Mark(b)) return b.find('\0') == std::string::npos;
  if (b.size() % 2 != 0) return false;
  const std::u16string u = utf16Units(b);
  for (size_t i = 0; i < u.size(); ++i) {
    if (u[i] == 0 || QChar::isLowSurrogate(u[i])) return false;
    if (QChar::isHighSurrogate(u[i])) {
      if (i + 1 == u.size() || !QChar::isLowSurrogate(u[i + 1])) return false;
      ++i;
    }
  }
  return true;
}

QString decoded(const std::string& b) {
  if (hasUtf16Mark(b)) {
    const std::u16string u = utf16Units(b);
    return QString(reinterpret_cast<const QChar*>(u.data()), static_cast<qsizetype>(u.size()));
  }
  if (isValidUtf8(b)) return QString::fromStdString(b);
  return QString::fromStdString(ansiToUtf8(b));
}

// The kinds of line ending in the text: 1 CR LF, 2 a lone CR, 4 a lone LF.
int endings(const QString& t) {
  int kinds = 0;
  for (qsizetype i = 0; i < t.size(); ++i) {
    if (t[i] == u'\r') {
      if (i + 1 < t.size() && t[i + 1] == u'\n') {
        kinds |= 1;
        ++i;
      } else {
        kinds |= 2;
      }
    } else if (t[i] == u'\n') {
      kinds |= 4;
    }
  }
  return kinds;
}

bool allAscii(const std::string& b) {
  for (const char c : b) {
    if ((c & 0x80) != 0) return false;
  }
  return true;
}

// What a change of the file from `before` to `after` broke, "" for nothing.
std::string fileProblem(const std::optional<std::string>& before,
                        const std::optional<std::string>& after) {
  if (!after) return before ? "the file is gone" : "";
  if (!before) return isValidUtf8(*after) ? "" : "a new file is not UTF-8";
  if (!isText(*before)) return *after == *before ? "" : "a file that is no text was changed";
  if (!isText(*after)) return "a text file became no text";
  if (hasUtf16Mark(*before) && after->substr(0, 2) != before->substr(0, 2))
    return "the UTF-16 mark is gone";
  if (!hasUtf16Mark(*before)) {
    if (isValidUtf8(*before) && !isValidUtf8(*after)) return "a UTF-8 file is UTF-8 no more";
    if (!isValidUtf8(*before) && isValidUtf8(*after) && !allAscii(*after))
      return "a GBK file reads as UTF-8";
  }
  const int was = endings(decoded(*before));
  const int is = endings(decoded(*after));
  if ((was == 1 || was == 2 || was == 4) && (is & ~was) != 0) return "a line ending changed";
  return "";
}

QString folded(const QString& name) {
  qsizetype b = 0, e = name.size();
  while (b < e && (name[b] == u' ' || name[b] == u'\t')) ++b;
  while (e > b && (name[e - 1] == u' ' || name[e - 1] == u'\t')) --e;
  return name.mid(b, e - b).toCaseFolded();
}

// The name that a header written for the section gives by the first rule: up to the first "]"
// that only blanks or a ";" comment follow ("x] ;y" gives "x").
QString cutName(const QString& section) {
  const QString header = u'[' + folded(section) + u']';
  for (qsizetype close = header.indexOf(u']'); close >= 0;
       close = header.indexOf(u']', close + 1)) {
    qsizetype next = close + 1;
    while (next < header.size() && (header[next] == u' ' || header[next] == u'\t')) ++next;
    if (next == header.size() || header[next] == u';') return folded(header.mid(1, close - 1));
  }
  return folded(section);
}

// Sections that may find one header: a header "[x] ;y]" serves both "x] ;y" and "x".
bool sectionsMeet(const QString& a, const QString& b) {
  const QString fa = folded(a), fb = folded(b);
  return fa == fb || cutName(a) == fb || cutName(b) == fa;
}

// The bytes in C notation, for a message.
std::string escaped(const std::optional<std::string>& bytes) {
  if (!bytes) return "(no file)";
  std::string out = "\"";
  for (const char c : *bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F && c != '"' && c != '\\') {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    }
  }
  return out + "\"";
}

using Pair = std::pair<QString, QString>;
using View = std::map<Pair, QString>;

struct Change {
  std::string name;        // for the message
  std::vector<Pair> keys;  // keys written or deleted
  QString section;         // a deleted section
  bool wholeSection = false;
};

bool touches(const Change& c, const Pair& p) {
  if (c.wholeSection) return sectionsMeet(c.section, p.first);
  for (const Pair& k : c.keys) {
    if (folded(k.second) == folded(p.second) && sectionsMeet(k.first, p.first)) return true;
  }
  return false;
}

class Run {
 public:
  explicit Run(const std::filesystem::path& folder)
      : file_(folder / "f.ini"),
        path_(QString::fromStdString(file_.string())),
        twin_(folder / "twin.ini") {}

  std::string play(std::string_view input) {
    Input in(input);
    const unsigned size = in.byte() | (in.byte() << 8);
    const std::string_view content = in.bytes(size);
    std::error_code ec;
    std::filesystem::remove(file_, ec);
    std::filesystem::remove(twin_, ec);
    if (!content.empty()) {
      for (const auto& f : {file_, twin_}) {
        std::ofstream(f, std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
      }
      addNamesOf(std::string(content));
    }
    kept_ = std::make_unique<KeptIniFile>(path_);
    for (int n = 0; n < 12 && !in.done(); ++n) {
      std::string problem = step(in);
      if (!problem.empty()) return "change " + std::to_string(n + 1) + ", " + problem;
    }
    std::string problem = sync("the last sync");
    kept_.reset();
    return problem;
  }

 private:
  // Adds a name to those whose keys are compared; of the file's own names only the first few.
  static void addName(std::vector<QString>& names, const QString& name, bool fromFile = false) {
    if (fromFile && names.size() >= 12) return;
    for (const QString& n : names) {
      if (n == name) return;
    }
    names.push_back(name);
  }

  // Names in the file's header and key lines, as far as a quick look finds them.
  void addNamesOf(const std::string& bytes) {
    const QString text = decoded(bytes);
    for (QString line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
      line = line.trimmed();
      if (line.startsWith(u'[')) {
        const qsizetype first = line.indexOf(u']');
        const qsizetype last = line.lastIndexOf(u']');
        if (first > 0) addName(sections_, line.mid(1, first - 1).trimmed(), true);
        if (last > first) addName(sections_, line.mid(1, last - 1).trimmed(), true);
      } else if (const qsizetype eq = line.indexOf(u'='); eq >= 0) {
        addName(keys_, line.left(eq).trimmed(), true);
      }
    }
  }

  Pair pair(Input& in) {
    Pair p{in.text(), in.text()};
    addName(sections_, p.first);
    addName(keys_, p.second);
    return p;
  }

  View plainView() const {
    const mobrel::IniDocument doc = mobrel::IniDocument::parse(fileBytes(file_).value_or(""));
    View view;
    for (const QString& s : sections_) {
      for (const QString& k : keys_) {
        const std::optional<QString> v = doc.value(s, k);
        view[{s, k}] = v ? mobrel::profileValue(*v) : QString();
      }
    }
    return view;
  }

  View keptView() const {
    View view;
    for (const QString& s : sections_) {
      for (const QString& k : keys_) view[{s, k}] = kept_->get(s, k);
    }
    return view;
  }

  static std::string shown(const Pair& p) {
    // Appended piece by piece: g++ 12 at -O3 warns (-Wrestrict) of "literal" + std::string.
    std::string text(1, '"');
    text.append(p.first.toStdString()).append("\"/\"");
    text.append(p.second.toStdString()).push_back('"');
    return text;
  }

  // Checks a change that answered `done`, with the views before and after it.
  std::string check(const Change& c, bool done, const std::optional<std::string>& bytesBefore,
                    const View& before, const View& after,
                    const std::vector<std::pair<Pair, QString>>& written) {
    const std::optional<std::string> bytesAfter = fileBytes(file_);
    if (!done) {
      if (bytesAfter != bytesBefore) return c.name + " was refused but changed the file";
      if (before != after) return c.name + " was refused but changed what keys read";
      return "";
    }
    if (std::string p = fileProblem(bytesBefore, bytesAfter); !p.empty()) return c.name + ": " + p;
    for (const auto& [key, value] : written) {
      const QString expected = mobrel::readBackValue(value);
      const QString read = after.at(key);
      if (read != expected) {
        return c.name + ": " + shown(key) + " reads \"" + read.toStdString() + "\", not \"" +
               expected.toStdString() + "\"";
      }
    }
    for (const auto& [key, value] : before) {
      if (touches(c, key) || after.at(key) == value) continue;
      return c.name + ": " + shown(key) + " was \"" + value.toStdString() + "\", is \"" +
             after.at(key).toStdString() + "\"";
    }
    return "";
  }

  std::string sync(const std::string& name) {
    const std::optional<std::string> bytesBefore = fileBytes(file_);
    const View before = keptView();
    const bool done = kept_->sync();
    const std::optional<std::string> bytesAfter = fileBytes(file_);
    // Nothing here makes a sync fail (a full disk, a lock held by another): each key that
    // waits was taken as one the file can hold.
    if (!done) return name + " failed: " + kept_->writeFailure().toStdString();
    if (std::string p = fileProblem(bytesBefore, bytesAfter); !p.empty()) return name + ": " + p;
    if (const std::optional<std::string> twin = fileBytes(twin_); twinned_ && bytesAfter != twin) {
      return name + ": the file is " + escaped(bytesAfter) +
             ", the same writes through IniFile made " + escaped(twin);
    }
    const View file = plainView();
    for (const auto& entry : before) {
      const Pair& key = entry.first;
      const QString& value = entry.second;
      // Of two names of one section the kept file may not know, while keys wait, that a header
      // its sync writes for one ("[x] ;y]") serves the other ("x") too.
      const bool twoNames = std::any_of(sections_.begin(), sections_.end(), [&](const QString& s) {
        return folded(s) != folded(key.first) && sectionsMeet(s, key.first);
      });
      if (twoNames) continue;
      if (file.at(key) != value) {
        return name + ": " + shown(key) + " reads \"" + file.at(key).toStdString() +
               "\" from the file, \"" + value.toStdString() + "\" from the kept file";
      }
    }
    return "";
  }

  std::string step(Input& in) {
    const unsigned op = in.byte() % 7;
    if (op == 5) return sync("a sync");
    if (op == 6) {
      std::string problem = sync("a sync before a new kept file");
      kept_ = std::make_unique<KeptIniFile>(path_);
      return problem;
    }
    Change c;
    std::vector<std::pair<Pair, QString>> written;
    std::vector<KeptIniFile::Key> keptKeys;
    if (op == 0 || op == 1 || op == 4) {
      const unsigned count = op == 1 ? 2 : op == 4 ? 1 + in.byte() % 2 : 1;
      for (unsigned i = 0; i < count; ++i) {
        const Pair p = pair(in);
        const QString value = in.text();
        const bool mayWait = op == 4 && (in.byte() & 1) != 0;
        c.keys.push_back(p);
        keptKeys.push_back({p.first, p.second, value, mayWait});
      }
    } else if (op == 2) {
      c.keys.push_back(pair(in));
    } else {
      c.section = in.text();
      c.wholeSection = true;
      addName(sections_, c.section);
    }
    // The last value of each key written. Of two names of one section ("x] ;y" and "x" may
    // find the same header) only the last is sure to read back its value.
    for (const KeptIniFile::Key& k : keptKeys) {
      std::erase_if(written, [&](const std::pair<Pair, QString>& w) {
        return folded(w.first.second) == folded(k.key) && sectionsMeet(w.first.first, k.section);
      });
      written.push_back({{k.section, k.key}, k.value});
    }
    const std::optional<std::string> bytesBefore = fileBytes(file_);
    const bool kept = op == 4;
    const View before = kept ? keptView() : plainView();
    IniFile plain(path_);
    bool done = false;
    std::ostringstream name;
    if (op == 0 || op == 1) {
      std::vector<IniFile::KeyWrite> keys;
      for (const KeptIniFile::Key& k : keptKeys) keys.push_back({k.section, k.key, k.value});
      done = plain.WriteIniKeys(keys);
      name << "WriteIniKeys";
    } else if (op == 2) {
      done = plain.DelIniKey(c.keys[0].first, c.keys[0].second);
      name << "DelIniKey " << shown(c.keys[0]);
    } else if (op == 3) {
      done = plain.DelIniSec(c.section);
      name << "DelIniSec \"" << c.section.toStdString() << "\"";
    } else {
      done = kept_->write(keptKeys);
      name << "a kept write";
      if (twinned_) {
        std::vector<IniFile::KeyWrite> keys;
        for (const KeptIniFile::Key& k : keptKeys) keys.push_back({k.section, k.key, k.value});
        IniFile twin(QString::fromStdString(twin_.string()));
        if (twin.WriteIniKeys(keys) != done) {
          return name.str() + (done ? " was taken" : " was refused") +
                 ", the same through IniFile not: " +
                 (done ? twin.writeFailure() : kept_->writeFailure()).toStdString();
        }
      }
    }
    // Keys written through IniFile meanwhile reach the file before the kept file's waiting
    // ones: the file is then no longer what the kept file's writes alone make.
    if (op < 4) twinned_ = false;
    if (op != 2 && op != 3) {
      for (const auto& [key, value] : written) name << " " << shown(key) << "=" << value.size();
    }
    c.name = name.str();
    const View after = kept ? keptView() : plainView();
    return check(c, done, bytesBefore, before, after, written);
  }

  std::filesystem::path file_;
  QString path_;
  std::unique_ptr<KeptIniFile> kept_;
  // The same file written by IniFile with the kept file's writes, one by one: once synced, the
  // kept file must be the same bytes, as long as only the kept file writes.
  std::filesystem::path twin_;
  bool twinned_ = true;
  std::vector<QString> sections_;
  std::vector<QString> keys_;
};

}  // namespace

std::string checkIniEdits(std::string_view input, const std::filesystem::path& folder) {
  return Run(folder).play(input);
}

}  // namespace sheetcut::testing
