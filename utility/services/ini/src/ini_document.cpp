#include "ini_document.h"

#include "sheetcut/ansi_codepage.h"

namespace mobrel {

namespace {

bool isBlank(QChar c) {
  return c == u' ' || c == u'\t';
}

QString trimBlanks(QStringView s) {
  qsizetype b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.mid(b, e - b).toString();
}

bool isBlankRaw(const std::string& raw) {
  return raw.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

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

IniDocument IniDocument::parse(const std::string& bytes) {
  IniDocument doc;
  doc.utf8_ = sheetcut::isValidUtf8(bytes);
  size_t pos = 0;
  bool eolKnown = false;
  while (pos < bytes.size()) {
    size_t nl = bytes.find('\n', pos);
    size_t end = nl == std::string::npos ? bytes.size() : nl + 1;
    std::string raw = bytes.substr(pos, end - pos);
    std::string content = raw;
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r')) {
      content.pop_back();
    }
    if (!eolKnown && nl != std::string::npos) {
      doc.eol_ = raw.substr(content.size());
      eolKnown = true;
    }
    if (pos == 0 && content.rfind("\xEF\xBB\xBF", 0) == 0) content.erase(0, 3);
    QString text = QString::fromStdString(doc.utf8_ ? content : sheetcut::ansiToUtf8(content));
    Line line = doc.makeLine(text);
    line.raw = std::move(raw);
    doc.lines_.push_back(std::move(line));
    pos = end;
  }
  return doc;
}

IniDocument::Line IniDocument::makeLine(const QString& text) const {
  Line line;
  const QString t = trimBlanks(text);
  if (t.startsWith(u'[')) {
    line.kind = Kind::Section;
    const qsizetype close = headerEnd(t);
    line.name = trimBlanks(QStringView(t).mid(1, close < 0 ? -1 : close - 1));
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

bool IniDocument::encodes(const QString& text) const {
  if (utf8_) return true;
  const std::string utf8 = text.toStdString();
  return sheetcut::ansiToUtf8(sheetcut::utf8ToAnsi(utf8)) == utf8;
}

QString IniDocument::keyOf(size_t header, const QString& name) {
  QString key = QString::number(header);
  key += QChar(u'\0');
  key += name.toCaseFolded();
  return key;
}

void IniDocument::indexLine(size_t i) const {
  const Line& line = lines_[i];
  if (line.kind == Kind::Section) {
    sections_.try_emplace(line.name.toCaseFolded(), i);
    lastHeader_ = i;
    hasHeader_ = true;
  } else if (line.kind == Kind::Key && hasHeader_) {
    keys_.try_emplace(keyOf(lastHeader_, line.name), i);
  }
}

void IniDocument::buildIndex() const {
  if (indexed_) return;
  sections_.clear();
  keys_.clear();
  hasHeader_ = false;
  lastHeader_ = 0;
  for (size_t i = 0; i < lines_.size(); ++i) indexLine(i);
  indexed_ = true;
}

std::optional<size_t> IniDocument::findSection(const QString& section) const {
  buildIndex();
  const auto it = sections_.find(section.toCaseFolded());
  if (it == sections_.end()) return std::nullopt;
  return it->second;
}

size_t IniDocument::sectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::Section) ++i;
  return i;
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
  size_t insertAt = header + 1;
  const size_t end = sectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind != Kind::Other || !isBlankRaw(lines_[i].raw)) insertAt = i + 1;
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
  return out;
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
  if (raw.empty() || raw.back() != '\n') raw += eol_;
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value) {
  const QString sec = trimBlanks(section);
  const QString name = trimBlanks(key);
  Line entry = makeLine(name + u'=' + value);
  auto header = findSection(sec);
  if (!header) {
    terminateLastLine();
    Line head = makeLine(u'[' + sec + u']');
    head.raw = encode(u'[' + sec + u']') + eol_;
    entry.raw = encode(name + u'=' + value) + eol_;
    lines_.push_back(std::move(head));
    lines_.push_back(std::move(entry));
    if (indexed_) {
      indexLine(lines_.size() - 2);
      indexLine(lines_.size() - 1);
    }
    return;
  }
  if (auto at = findKey(*header, name)) {
    Line& old = lines_[*at];
    size_t body = old.raw.size();
    while (body > 0 && (old.raw[body - 1] == '\n' || old.raw[body - 1] == '\r')) --body;
    entry.raw = encode(name + u'=' + value) + old.raw.substr(body);
    old = std::move(entry);
    return;
  }
  const size_t insertAt = insertionPoint(*header);
  const bool atEnd = insertAt == lines_.size();
  if (atEnd) terminateLastLine();
  entry.raw = encode(name + u'=' + value) + eol_;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
  if (!atEnd) {
    indexed_ = false;  // the lines after it moved
  } else if (indexed_) {
    keys_.try_emplace(keyOf(*header, name), insertAt);
  }
}

bool IniDocument::removeKey(const QString& section, const QString& key) {
  auto header = findSection(trimBlanks(section));
  if (!header) return false;
  auto at = findKey(*header, trimBlanks(key));
  if (!at) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
  indexed_ = false;
  return true;
}

bool IniDocument::removeSection(const QString& section) {
  auto header = findSection(trimBlanks(section));
  if (!header) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*header),
               lines_.begin() + static_cast<std::ptrdiff_t>(sectionEnd(*header)));
  indexed_ = false;
  return true;
}

std::string IniDocument::bytes() const {
  std::string out;
  for (const Line& line : lines_) out += line.raw;
  return out;
}

}  // namespace mobrel
