#include "ini_document.h"

#include <QStringDecoder>
#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>

#include "ini_rules.h"
#include "sheetcut/ansi_codepage.h"

namespace mobrel {

namespace {

// The byte-order mark as the first line keeps it (a UTF-16 file's is kept as UTF-8 too).
constexpr const char* kUtf8Mark = "\xEF\xBB\xBF";

bool isBlank(QChar c) {
  return c == u' ' || c == u'\t';
}

bool isBlankRaw(const std::string& raw) {
  return raw.find_first_not_of(" \t\r\n") == std::string::npos;
}

// Where the header line `t` closes: at the first "]" that only blanks or a ";" comment follow
// (as other programs write a header, a comment holding brackets of its own included), else at
// the last "]", for a section name that holds brackets (a folder "we]ird"); -1 without one.
qsizetype headerEnd(const QString& t) {
  for (qsizetype close = t.indexOf(u']'); close >= 0; close = t.indexOf(u']', close + 1)) {
    qsizetype next = close + 1;
    while (next < t.size() && isBlank(t[next])) ++next;
    if (next == t.size() || t[next] == u';') return close;
  }
  return t.lastIndexOf(u']');
}

// UTF-16 bytes, their byte-order mark included, as UTF-8 (the mark as U+FEFF); nothing when
// they are not whole UTF-16 (an odd number of bytes, a lone surrogate) or hold U+0000.
std::optional<std::string> utf16ToUtf8(const std::string& bytes, bool littleEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] =
        static_cast<char16_t>(littleEndian ? (first | (second << 8)) : ((first << 8) | second));
  }
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u == u'\0') return std::nullopt;
    if (QChar::isLowSurrogate(u)) return std::nullopt;
    if (QChar::isHighSurrogate(u)) {
      if (i + 1 == units.size() || !QChar::isLowSurrogate(units[i + 1])) return std::nullopt;
      ++i;
    }
  }
  // Not QString::fromUtf16, which would drop the mark.
  return QString(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(units.size()))
      .toStdString();
}

// Valid UTF-8 as UTF-16 in the given byte order, with no mark of its own.
std::string utf8ToUtf16(const std::string& utf8, bool littleEndian) {
  // Not QString::fromUtf8, which would drop a U+FEFF at the start: the file's mark.
  QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
  const QString text = decoder(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
  std::string out;
  out.reserve(static_cast<size_t>(text.size()) * 2);
  for (const QChar c : text) {
    const auto high = static_cast<char>(c.unicode() >> 8);
    const auto low = static_cast<char>(c.unicode() & 0xFF);
    out += littleEndian ? low : high;
    out += littleEndian ? high : low;
  }
  return out;
}

}  // namespace

IniDocument IniDocument::parse(const std::string& bytes) {
  IniDocument doc;
  if (bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0) {
    doc.utf16_ = bytes[0] == '\xFF' ? Utf16::LittleEndian : Utf16::BigEndian;
    const std::optional<std::string> text = utf16ToUtf8(bytes, doc.utf16_ == Utf16::LittleEndian);
    doc.readable_ = text.has_value();
    if (text) doc.parseLines(*text);
    return doc;
  }
  // No text in UTF-8 or in the ANSI code page holds a NUL byte.
  doc.readable_ = bytes.find('\0') == std::string::npos;
  if (!doc.readable_) return doc;
  doc.utf8_ = sheetcut::isValidUtf8(bytes);
  doc.parseLines(bytes);
  return doc;
}

void IniDocument::parseLines(const std::string& text) {
  size_t pos = 0;
  bool eolKnown = false;
  while (pos < text.size()) {
    const size_t brk = text.find_first_of("\r\n", pos);
    const size_t contentEnd = brk == std::string::npos ? text.size() : brk;
    size_t end = contentEnd;
    if (brk != std::string::npos) {
      end = text.compare(brk, 2, "\r\n") == 0 ? brk + 2 : brk + 1;
      if (!eolKnown) {
        eol_ = text.substr(brk, end - brk);
        eolKnown = true;
      }
    }
    std::string content = text.substr(pos, contentEnd - pos);
    if (pos == 0 && content.rfind(kUtf8Mark, 0) == 0) content.erase(0, 3);
    QString decoded = QString::fromStdString(utf8_ ? content : sheetcut::ansiToUtf8(content));
    Line line = makeLine(decoded);
    line.raw = text.substr(pos, end - pos);
    lines_.push_back(std::move(line));
    pos = end;
  }
}

std::string IniDocument::fileBytes(std::string kept) const {
  if (utf16_ == Utf16::No) return kept;
  return utf8ToUtf16(kept, utf16_ == Utf16::LittleEndian);
}

IniDocument::Line IniDocument::makeLine(const QString& text) const {
  Line line;
  const QString t = trimBlanks(text);
  if (t.startsWith(u'[')) {
    line.kind = Kind::Section;
    const qsizetype close = headerEnd(t);
    line.name = trimBlanks(QStringView(t).mid(1, close < 0 ? -1 : close - 1));
    if (t.endsWith(u']') && close != t.size() - 1)
      line.wholeName = trimBlanks(QStringView(t).mid(1, t.size() - 2));
  } else if (qsizetype eq = t.indexOf(u'='); eq >= 0) {
    line.kind = Kind::Key;
    line.name = trimBlanks(QStringView(t).left(eq));
    line.value = trimBlanks(QStringView(t).mid(eq + 1));
  }
  return line;
}

std::string IniDocument::encode(const QString& text) const {
  std::string utf8 = text.toStdString();
  return utf8_ ? utf8 : sheetcut::utf8ToAnsi(utf8);
}

QString IniDocument::unencodable(const QString& text) const {
  if (utf8_) return QString();
  const auto survives = [](const QString& t) {
    const std::string utf8 = t.toStdString();
    return sheetcut::ansiToUtf8(sheetcut::utf8ToAnsi(utf8)) == utf8;
  };
  if (survives(text)) return QString();
  QString missing;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString ch = text.mid(i, len);
    if (!missing.contains(ch) && !survives(ch)) missing += ch;
    i += len;
  }
  return missing;
}

QString IniDocument::keyOf(size_t header, const QString& name) {
  QString key = QString::number(header);
  key += QChar(u'\0');
  key += name.toCaseFolded();
  return key;
}

void IniDocument::indexLine(size_t i) const {
  const Line& line = lines_[i];
  if (!utf8_ && !sheetcut::isValidUtf8(line.raw)) ++foreignLines_;
  if (line.kind == Kind::Section) {
    if (line.wholeName.isEmpty()) {
      sections_.try_emplace(line.name.toCaseFolded(), i);
    } else {
      cutSections_.try_emplace(line.name.toCaseFolded(), i);
      wholeSections_.try_emplace(line.wholeName.toCaseFolded(), i);
    }
    headers_.push_back(i);
    lastHeader_ = i;
    hasHeader_ = true;
  } else if (line.kind == Kind::Key && hasHeader_) {
    keys_.try_emplace(keyOf(lastHeader_, line.name), i);
  }
}

void IniDocument::buildIndex() const {
  if (indexed_) return;
  sections_.clear();
  wholeSections_.clear();
  cutSections_.clear();
  headers_.clear();
  keys_.clear();
  hasHeader_ = false;
  lastHeader_ = 0;
  foreignLines_ = 0;
  for (size_t i = 0; i < lines_.size(); ++i) indexLine(i);
  indexed_ = true;
}

std::optional<size_t> IniDocument::findSection(const QString& section) const {
  buildIndex();
  const QString folded = section.toCaseFolded();
  // A header that names the section plainly first, then one whose whole text is the name (the
  // two never hold the same name, see the class comment), and only then one that the first
  // rule cuts short.
  if (const auto it = sections_.find(folded); it != sections_.end()) return it->second;
  if (const auto it = wholeSections_.find(folded); it != wholeSections_.end()) return it->second;
  if (const auto it = cutSections_.find(folded); it != cutSections_.end()) return it->second;
  return std::nullopt;
}

QString IniDocument::sectionIdentity(const QString& section) const {
  const QString name = trimBlanks(section);
  const auto header = findSection(name);
  if (!header) return name.toCaseFolded();
  const Line& line = lines_[*header];
  return (line.wholeName.isEmpty() ? line.name : line.wholeName).toCaseFolded();
}

size_t IniDocument::sectionEnd(size_t header) const {
  buildIndex();
  const auto next = std::upper_bound(headers_.begin(), headers_.end(), header);
  return next == headers_.end() ? lines_.size() : *next;
}

std::optional<size_t> IniDocument::findKey(size_t header, const QString& key) const {
  buildIndex();
  const auto it = keys_.find(keyOf(header, key));
  if (it == keys_.end()) return std::nullopt;
  return it->second;
}

size_t IniDocument::insertionPoint(size_t header) const {
  // After the last non-blank line of the section, so that blank lines before the next
  // section stay where they are.
  size_t insertAt = sectionEnd(header);
  while (insertAt > header + 1 && lines_[insertAt - 1].kind == Kind::Other &&
         isBlankRaw(lines_[insertAt - 1].raw)) {
    --insertAt;
  }
  return insertAt;
}

bool IniDocument::appendsAtEnd(const QString& section, const QString& key) const {
  const auto header = findSection(trimBlanks(section));
  if (!header) return true;
  if (findKey(*header, trimBlanks(key))) return false;
  return insertionPoint(*header) == lines_.size();
}

std::string IniDocument::bytesFrom(size_t line, size_t offset) const {
  std::string out;
  if (line < lines_.size())
    out = lines_[line].raw.substr(std::min(offset, lines_[line].raw.size()));
  for (size_t i = line + 1; i < lines_.size(); ++i) out += lines_[i].raw;
  return fileBytes(std::move(out));
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const {
  auto header = findSection(trimBlanks(section));
  if (!header) return std::nullopt;
  auto line = findKey(*header, trimBlanks(key));
  if (!line) return std::nullopt;
  return lines_[*line].value;
}

void IniDocument::terminateLastLine() {
  if (lines_.empty()) return;
  std::string& raw = lines_.back().raw;
  if (raw.empty() || (raw.back() != '\n' && raw.back() != '\r')) raw += eol_;
}

IniDocument::Line IniDocument::keyLine(const QString& name, const QString& value) const {
  Line entry = makeLine(name + u'=' + value);
  entry.raw = encode(name + u'=' + value) + eol_;
  return entry;
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value) {
  setValues({{section, key, value}});
}

void IniDocument::setValues(const std::vector<IniFile::KeyWrite>& keys) {
  // A new key of a section that ends before the last line waits here, with the other new keys
  // of its section, until every key is set; then one pass over the lines inserts them all.
  // Everything else (a key replaced in place, a new section or a new key of the last section
  // added at the end) keeps the line numbers and so the index.
  std::vector<Insertion> insertions;
  std::unordered_map<size_t, size_t> insertionOf;  // header -> its insertion
  // Header and folded key -> its insertion and its place there.
  std::unordered_map<QString, std::pair<size_t, size_t>> waiting;
  for (const IniFile::KeyWrite& k : keys) {
    const QString sec = trimBlanks(k.section);
    const QString name = trimBlanks(k.key);
    const auto header = findSection(sec);
    if (!header) {
      terminateLastLine();
      Line head = makeLine(u'[' + sec + u']');
      head.raw = encode(u'[' + sec + u']') + eol_;
      lines_.push_back(std::move(head));
      lines_.push_back(keyLine(name, k.value));
      indexLine(lines_.size() - 2);
      indexLine(lines_.size() - 1);
      continue;
    }
    const QString indexKey = keyOf(*header, name);
    if (const auto w = waiting.find(indexKey); w != waiting.end()) {
      insertions[w->second.first].lines[w->second.second] = keyLine(name, k.value);
      continue;
    }
    if (const auto at = findKey(*header, name)) {
      Line& old = lines_[*at];
      size_t body = old.raw.size();
      while (body > 0 && (old.raw[body - 1] == '\n' || old.raw[body - 1] == '\r')) --body;
      Line entry = keyLine(name, k.value);
      entry.raw.replace(entry.raw.size() - eol_.size(), eol_.size(), old.raw.substr(body));
      if (!utf8_) {
        foreignLines_ -= sheetcut::isValidUtf8(old.raw) ? 0 : 1;
        foreignLines_ += sheetcut::isValidUtf8(entry.raw) ? 0 : 1;
      }
      old = std::move(entry);
      continue;
    }
    auto ins = insertionOf.find(*header);
    if (ins == insertionOf.end()) {
      const size_t insertAt = insertionPoint(*header);
      if (insertAt == lines_.size()) {
        terminateLastLine();
        lines_.push_back(keyLine(name, k.value));
        indexLine(lines_.size() - 1);
        continue;
      }
      ins = insertionOf.emplace(*header, insertions.size()).first;
      insertions.push_back({insertAt, {}});
    }
    std::vector<Line>& lines = insertions[ins->second].lines;
    waiting.emplace(indexKey, std::make_pair(ins->second, lines.size()));
    lines.push_back(keyLine(name, k.value));
  }
  insertAll(insertions);
}

void IniDocument::insertAll(std::vector<Insertion>& insertions) {
  if (insertions.empty()) return;
  std::sort(insertions.begin(), insertions.end(),
            [](const Insertion& a, const Insertion& b) { return a.at < b.at; });
  size_t added = 0;
  for (const Insertion& ins : insertions) added += ins.lines.size();
  std::vector<Line> merged;
  merged.reserve(lines_.size() + added);
  size_t from = 0;
  for (Insertion& ins : insertions) {
    std::move(lines_.begin() + static_cast<std::ptrdiff_t>(from),
              lines_.begin() + static_cast<std::ptrdiff_t>(ins.at), std::back_inserter(merged));
    std::move(ins.lines.begin(), ins.lines.end(), std::back_inserter(merged));
    from = ins.at;
  }
  std::move(lines_.begin() + static_cast<std::ptrdiff_t>(from), lines_.end(),
            std::back_inserter(merged));
  lines_ = std::move(merged);
  joinSplitEndings();
  indexed_ = false;  // the lines after the first insertion moved
}

void IniDocument::joinSplitEndings() {
  size_t kept = 0;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (kept > 0 && lines_[i].raw == "\n" && lines_[kept - 1].raw.ends_with('\r')) {
      lines_[kept - 1].raw += '\n';
      continue;
    }
    if (kept != i) lines_[kept] = std::move(lines_[i]);
    ++kept;
  }
  lines_.resize(kept);
}

bool IniDocument::removeKey(const QString& section, const QString& key) {
  auto header = findSection(trimBlanks(section));
  if (!header) return false;
  auto at = findKey(*header, trimBlanks(key));
  if (!at) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
  joinSplitEndings();
  indexed_ = false;
  return true;
}

bool IniDocument::removeSection(const QString& section) {
  auto header = findSection(trimBlanks(section));
  if (!header) return false;
  // The byte-order mark sits in the first line's bytes but belongs to the file: a UTF-16 file
  // without it is no text at all. It stays when the first section goes.
  std::string mark;
  if (*header == 0 && lines_[0].raw.rfind(kUtf8Mark, 0) == 0) mark = kUtf8Mark;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*header),
               lines_.begin() + static_cast<std::ptrdiff_t>(sectionEnd(*header)));
  if (!mark.empty()) {
    if (lines_.empty()) lines_.emplace_back();
    lines_[0].raw.insert(0, mark);
  }
  joinSplitEndings();
  indexed_ = false;
  return true;
}

bool IniDocument::readsAsUtf8(const std::string& bytes) const {
  return !utf8_ && sheetcut::isValidUtf8(bytes) &&
         std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
}

bool IniDocument::readsAsUtf8After(const std::vector<IniFile::KeyWrite>& keys) const {
  if (utf8_) return false;
  buildIndex();
  // Each key's line as setValues leaves it: its last name and value.
  std::vector<IniFile::KeyWrite> last;
  std::unordered_map<QString, size_t> lastOf;
  for (const IniFile::KeyWrite& k : keys) {
    QString identity = sectionIdentity(k.section);
    identity += QChar(u'\0');
    identity += trimBlanks(k.key).toCaseFolded();
    const auto [it, added] = lastOf.try_emplace(identity, last.size());
    if (added) {
      last.push_back(k);
    } else {
      last[it->second].key = k.key;
      last[it->second].value = k.value;
    }
  }
  // A line that UTF-8 refuses, new or left in place, keeps the file in the ANSI code page.
  std::unordered_set<size_t> replaced;  // key lines the keys rewrite
  for (const IniFile::KeyWrite& k : last) {
    const QString sec = trimBlanks(k.section);
    const QString name = trimBlanks(k.key);
    if (!sheetcut::isValidUtf8(encode(name + u'=' + k.value))) return false;
    const auto header = findSection(sec);
    if (!header) {
      if (!sheetcut::isValidUtf8(encode(u'[' + sec + u']'))) return false;
      continue;
    }
    if (const auto at = findKey(*header, name)) replaced.insert(*at);
  }
  size_t replacedForeign = 0;
  for (const size_t line : replaced) {
    if (!sheetcut::isValidUtf8(lines_[line].raw)) ++replacedForeign;
  }
  if (replacedForeign < foreignLines_) return false;
  // Every such line goes: only the whole new bytes tell.
  IniDocument changed = *this;
  changed.setValues(keys);
  return readsAsUtf8(changed.bytes());
}

void IniDocument::rereadAs(const std::string& written) {
  if (utf8_ || std::any_of(written.begin(), written.end(), [](char c) { return (c & 0x80) != 0; }))
    return;
  utf8_ = true;
}

std::string IniDocument::bytes() const {
  std::string out;
  for (const Line& line : lines_) out += line.raw;
  return fileBytes(std::move(out));
}

}  // namespace mobrel
