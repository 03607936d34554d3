// Reads a DXF tag stream into a model::Drawing: sections, header variables, tables, blocks,
// entities with their sub-entity chains, objects; other sections kept raw.
//
// Some programs write small structural slips that a reader can mend without guessing; the
// drawing is then held (and written back) well-formed:
// - header variables after a stray ENDSEC that closes the HEADER early belong to the header
//   (group code 9 means a header variable and nothing else);
// - a section that the next (0, SECTION) or (0, EOF) follows without its ENDSEC ends there
//   (no object of any section is called SECTION or EOF);
// - a POLYLINE, or an INSERT with attributes (66 = 1), whose chain is not closed by a SEQEND
//   gets one where the chain ends (the next tag is an entity that cannot be part of it);
// - an INSERT followed by ATTRIBs without its 66 flag gets the flag (an ATTRIB belongs to the
//   reference before it and nothing else);
// - a SEQEND that closes no chain is left out (it holds nothing);
// - the one LAYER entry without a name, in a layer table that has no layer "0", is layer "0"
//   (every drawing has that layer, and no other entry can be it).
// Anything else that breaks the structure is refused with the file and line.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "cadhost/host_error.h"
#include "dxf/dxf_io.h"
#include "dxf/printable.h"
#include "dxf/tag_source.h"
#include "dxf/text_codec.h"
#include "model/tags.h"

namespace cadhost::dxf {
namespace {

using model::Object;
using model::SectionKind;
using model::Tag;
using model::Tags;

// Whether VERTEX or ATTRIB entities and a SEQEND follow the entity: a POLYLINE, or an INSERT
// with 66 = 1.
bool opensChain(const Object& e) {
  const std::string_view type = model::typeOf(e);
  return type == "POLYLINE" || (type == "INSERT" && model::tagInt(e.tags, 66) == 1);
}

bool endsWithSeqend(const Object& e) {
  return !e.subs.empty() && model::typeOf(e.subs.back()) == "SEQEND";
}

// Walks the tags with one tag of look-ahead, decoding value texts to UTF-8.
class Reader {
 public:
  Reader(TagSource& source, const std::string& name) : source_(source), name_(name) {}

  model::Drawing read() {
    advance();
    if (!has_) throw HostError(HostError::BadFile, name_ + ": the file is empty");
    bool headerJustEnded = false;
    for (;;) {
      if (!has_) fail(lastPosition_, "the file ends without an EOF tag");
      if (cur_.code == 999) {  // a comment between sections
        advance();
        continue;
      }
      if (cur_.code == 9 && headerJustEnded) {
        // Header variables after a stray ENDSEC: the header goes on.
        readHeader("section HEADER", position_);
        if (atZero("ENDSEC")) advance();
        continue;
      }
      headerJustEnded = false;
      if (cur_.code != 0) fail(position_, "expected a section, found group code " + codeText());
      if (cur_.value == "EOF") break;
      if (cur_.value != "SECTION")
        fail(position_, "expected SECTION, found \"" + valueText() + "\"");
      std::uint64_t sectionAt = position_;
      advance();
      if (!has_ || cur_.code != 2) fail(sectionAt, "a SECTION without its name");
      std::string name = cur_.value;
      advance();
      readSection(name, sectionAt);
      headerJustEnded = name == "HEADER";
    }
    TextLayout layout = layoutOf(source_);
    drawing_.crlf = layout.crlf;
    drawing_.utf8Bom = layout.bom;
    return std::move(drawing_);
  }

  void setBinary() { drawing_.binary = true; }
  // Whether a POLYLINE or an attributed INSERT was read without the SEQEND of its chain.
  bool unclosedChains() const { return unclosedChains_; }

 private:
  [[noreturn]] void fail(std::uint64_t position, const std::string& what) const {
    throw HostError(HostError::BadFile, name_ + ": " + source_.describe(position) + ": " + what);
  }

  std::string codeText() const { return std::to_string(cur_.code); }
  std::string valueText() const { return printableExcerpt(cur_.value); }

  void advance() {
    RawTag raw;
    if (!source_.next(raw)) {
      has_ = false;
      return;
    }
    has_ = true;
    lastPosition_ = position_ = raw.position;
    cur_.code = static_cast<std::int16_t>(raw.code);
    if (TextDecoder::needsWork(raw.value)) {
      cur_.value = decoder_ ? decoder_->decode(raw.value) : decodeEscapes(raw.value);
    } else {
      cur_.value.assign(raw.value);
    }
  }

  bool atZero(std::string_view type) const { return has_ && cur_.code == 0 && cur_.value == type; }

  // The end of a section: its ENDSEC, or the next section or the end of file where a writer
  // left the ENDSEC out.
  bool atSectionEnd() const { return atZero("ENDSEC") || atZero("SECTION") || atZero("EOF"); }

  // Fails unless there is a tag; `inWhat` names the open section.
  void expectMore(const std::string& inWhat, std::uint64_t openedAt) const {
    if (!has_)
      fail(lastPosition_,
           "the file ends inside " + inWhat + " (opened at " + source_.describe(openedAt) + ")");
  }

  // Takes the current (0, TYPE) tag and every tag up to the next group code 0.
  void readObject(Object& o) {
    scratch_.clear();
    do {
      scratch_.push_back(std::move(cur_));
      advance();
    } while (has_ && cur_.code != 0);
    o.tags.assign(std::make_move_iterator(scratch_.begin()),
                  std::make_move_iterator(scratch_.end()));
  }

  // An entity with the chain that belongs to it: VERTEX... SEQEND after a POLYLINE, ATTRIB...
  // SEQEND after an INSERT with 66 = 1.
  void readEntity(Object& e) {
    readObject(e);
    bool chained = opensChain(e);
    if (!chained && model::typeOf(e) == "INSERT" && atZero("ATTRIB")) {
      // Attributes that follow a reference whose 66 flag is missing are its attributes.
      markAttributesFollow(e.tags);
      chained = true;
    }
    if (!chained) return;
    while (has_ && cur_.code == 0 &&
           (cur_.value == "VERTEX" || cur_.value == "ATTRIB" || cur_.value == "SEQEND")) {
      bool last = cur_.value == "SEQEND";
      e.subs.emplace_back();
      readObject(e.subs.back());
      if (last) break;
    }
    if (!endsWithSeqend(e)) unclosedChains_ = true;
  }

  void readEntities(std::vector<Object>& into, std::string_view endType, const std::string& inWhat,
                    std::uint64_t openedAt) {
    for (;;) {
      expectMore(inWhat, openedAt);
      if (cur_.code != 0) fail(position_, "expected an entity, found group code " + codeText());
      if (cur_.value == endType || atSectionEnd()) return;
      if (atZero("SEQEND")) {
        // A SEQEND that closes no chain ends nothing: left out.
        Object stray;
        readObject(stray);
        continue;
      }
      if (atZero("ATTRIB")) fail(position_, "an ATTRIB that follows no block reference");
      if (atZero("VERTEX")) fail(position_, "a VERTEX that follows no POLYLINE");
      into.emplace_back();
      readEntity(into.back());
    }
  }

  void readSection(const std::string& name, std::uint64_t at) {
    std::string what = "section " + name;
    if (name == "HEADER") {
      readHeader(what, at);
      addKind(SectionKind::Header);
    } else if (name == "CLASSES") {
      readObjects(drawing_.classes, what, at);
      addKind(SectionKind::Classes);
    } else if (name == "TABLES") {
      readTables(what, at);
      addKind(SectionKind::Tables);
    } else if (name == "BLOCKS") {
      readBlocks(what, at);
      addKind(SectionKind::Blocks);
    } else if (name == "ENTITIES") {
      readEntities(drawing_.entities, "ENDSEC", what, at);
      addKind(SectionKind::Entities);
    } else if (name == "OBJECTS") {
      readObjects(drawing_.objects, what, at);
      addKind(SectionKind::Objects);
    } else {
      model::RawSection raw;
      raw.name = name;
      for (;;) {
        expectMore(what, at);
        if (atSectionEnd()) break;
        raw.tags.push_back(std::move(cur_));
        advance();
      }
      drawing_.raw.push_back(std::move(raw));
      drawing_.sectionOrder.push_back(SectionKind::Raw);
    }
    if (atZero("ENDSEC")) advance();
  }

  // A section kind that appears twice is read into the same place and written once.
  void addKind(SectionKind kind) {
    for (SectionKind k : drawing_.sectionOrder)
      if (k == kind) return;
    drawing_.sectionOrder.push_back(kind);
  }

  void readHeader(const std::string& what, std::uint64_t at) {
    for (;;) {
      expectMore(what, at);
      if (atSectionEnd()) return;
      if (cur_.code != 9)
        fail(position_, "expected a header variable, found group code " + codeText());
      model::HeaderVar var;
      var.name = std::move(cur_.value);
      advance();
      while (has_ && cur_.code != 9 && cur_.code != 0) {
        var.tags.push_back(std::move(cur_));
        advance();
      }
      noteHeaderVar(var);
      drawing_.header.push_back(std::move(var));
    }
  }

  // $ACADVER and $DWGCODEPAGE decide how the texts that follow are decoded.
  void noteHeaderVar(const model::HeaderVar& var) {
    if (var.tags.empty()) return;
    if (var.name == "$ACADVER") {
      drawing_.version = var.tags.front().value;
    } else if (var.name == "$DWGCODEPAGE") {
      drawing_.codepage = var.tags.front().value;
    } else {
      return;
    }
    decoder_.reset();
    if (!versionUsesUtf8(drawing_.version))
      decoder_ = std::make_unique<TextDecoder>(iconvNameForCodepage(drawing_.codepage));
  }

  void readObjects(std::vector<Object>& into, const std::string& what, std::uint64_t at) {
    for (;;) {
      expectMore(what, at);
      if (atSectionEnd()) return;
      if (cur_.code != 0) fail(position_, "expected an object, found group code " + codeText());
      into.emplace_back();
      readObject(into.back());
    }
  }

  void readTables(const std::string& what, std::uint64_t at) {
    for (;;) {
      expectMore(what, at);
      if (atSectionEnd()) return;
      if (!atZero("TABLE")) fail(position_, "expected TABLE, found \"" + valueText() + "\"");
      std::uint64_t tableAt = position_;
      model::Table table;
      readObject(table.head);
      if (const Tag* n = model::findTag(table.head.tags, 2)) table.name = n->value;
      std::string tableWhat = "table " + table.name;
      std::vector<std::uint64_t> nameless;  // the lines of entries without a name
      for (;;) {
        expectMore(tableWhat, tableAt);
        if (atZero("ENDTAB")) break;
        if (atSectionEnd() || atZero("TABLE")) fail(position_, tableWhat + " has no ENDTAB");
        if (cur_.code != 0)
          fail(position_, "expected a table entry, found group code " + codeText());
        std::uint64_t entryAt = position_;
        table.entries.emplace_back();
        readObject(table.entries.back());
        if (!model::findTag(table.entries.back().tags, 2)) nameless.push_back(entryAt);
      }
      nameTableEntries(table, nameless, tableWhat);
      // ENDTAB carries no tags of its own; skip any that a writer added.
      do advance();
      while (has_ && cur_.code != 0);
      drawing_.tables.push_back(std::move(table));
    }
  }

  void readBlocks(const std::string& what, std::uint64_t at) {
    for (;;) {
      expectMore(what, at);
      if (atSectionEnd()) return;
      if (!atZero("BLOCK")) fail(position_, "expected BLOCK, found \"" + valueText() + "\"");
      std::uint64_t blockAt = position_;
      model::Block block;
      readObject(block.begin);
      std::string blockWhat = "a block definition";
      readEntities(block.entities, "ENDBLK", blockWhat, blockAt);
      if (!atZero("ENDBLK")) fail(position_, "a block definition has no ENDBLK");
      readObject(block.end);
      drawing_.blocks.push_back(std::move(block));
    }
  }

  // A table entry needs its name (group code 2). The one nameless entry of a layer table that
  // has no layer "0" is that layer; any other nameless entry is refused. `nameless` holds the
  // lines of the entries without a name, in order.
  void nameTableEntries(model::Table& table, const std::vector<std::uint64_t>& nameless,
                        const std::string& tableWhat) const {
    if (nameless.empty()) return;
    const bool layers = table.name == "LAYER";
    bool hasZero = false;
    for (const Object& e : table.entries)
      if (const Tag* n = model::findTag(e.tags, 2)) hasZero = hasZero || n->value == "0";
    if (!layers || hasZero || nameless.size() > 1)
      fail(nameless.front(), tableWhat + ": a table entry without its name (group code 2)");
    for (Object& e : table.entries)
      if (!model::findTag(e.tags, 2)) return insertName(e.tags, "0");
  }

  // Sets 66 = 1 on a block reference, where writers put it: before the block name.
  static void markAttributesFollow(model::Tags& tags) {
    if (model::Tag* flag = model::findTag(tags, 66)) {
      flag->value = "1";
      return;
    }
    std::size_t at = tags.size();
    for (std::size_t i = 1; i < tags.size(); ++i)
      if (tags[i].code == 2) {
        at = i;
        break;
      }
    tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(at), Tag{66, "1"});
  }

  // The name goes where writers put it: after the last subclass marker, or else after the
  // type and handle.
  static void insertName(model::Tags& tags, const std::string& name) {
    std::size_t at = 1;
    for (std::size_t i = 0; i < tags.size(); ++i)
      if (tags[i].code == 100) at = i + 1;
    if (at == 1 && tags.size() > 1 && (tags[1].code == 5 || tags[1].code == 105)) at = 2;
    tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(at), Tag{2, name});
  }

  TagSource& source_;
  std::string name_;
  bool unclosedChains_ = false;
  model::Drawing drawing_;
  // Until the header names a version before AC1021, texts are taken as UTF-8.
  std::unique_ptr<TextDecoder> decoder_;
  Tag cur_;
  bool has_ = false;
  std::uint64_t position_ = 0;
  std::uint64_t lastPosition_ = 0;
  Tags scratch_;
};

// A DWG file starts with its version, "AC1015" and the like.
bool looksLikeDwg(std::string_view head) {
  return head.size() >= 6 && head.starts_with("AC10") && head[4] >= '0' && head[4] <= '9';
}

[[noreturn]] void refuseDwg(const std::string& name) {
  throw HostError(HostError::Unsupported,
                  name + ": this is a DWG file; the drawing host reads DXF files only");
}

// A $HANDSEED at or below a handle in use would give a new object the handle of an existing
// one; such a seed is moved past the largest handle.
void repairHandleSeed(model::Drawing& d) {
  model::HeaderVar* seed = model::findHeaderVar(d, "$HANDSEED");
  if (!seed) return;
  std::uint64_t used = maxHandle(d);
  if (handleSeed(d) <= used) model::setTag(seed->tags, 5, formatHandle(used + 1));
}

// The SEQEND that closes the chain of `owner`, with the owner's layer (and, in a drawing
// with handles, a new handle and the owner as its owner).
model::Object seqendFor(const model::Object& owner, model::Drawing& d) {
  const bool subclassed = d.version >= "AC1012";
  const std::string_view ownerHandle = model::handleOf(owner);
  model::Object end;
  end.tags.push_back(Tag{0, "SEQEND"});
  if (!ownerHandle.empty()) {
    end.tags.push_back(Tag{5, allocateHandle(d)});
    if (subclassed) end.tags.push_back(Tag{330, std::string(ownerHandle)});
  }
  if (subclassed) end.tags.push_back(Tag{100, "AcDbEntity"});
  if (model::tagInt(owner.tags, 67) == 1) end.tags.push_back(Tag{67, "1"});
  const Tag* layer = model::findTag(owner.tags, 8);
  end.tags.push_back(Tag{8, layer ? layer->value : "0"});
  return end;
}

void closeChains(std::vector<model::Object>& entities, model::Drawing& d) {
  for (model::Object& e : entities)
    if (opensChain(e) && !endsWithSeqend(e)) e.subs.push_back(seqendFor(e, d));
}

model::Drawing readFrom(TagSource& source, const std::string& name, bool binary) {
  Reader reader(source, name);
  if (binary) reader.setBinary();
  model::Drawing d = reader.read();
  repairHandleSeed(d);
  if (reader.unclosedChains()) {
    closeChains(d.entities, d);
    for (model::Block& b : d.blocks) closeChains(b.entities, d);
  }
  return d;
}

class FileCloser {
 public:
  explicit FileCloser(int fd) : fd_(fd) {}
  ~FileCloser() { ::close(fd_); }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  int fd_;
};

}  // namespace

model::Drawing readDxf(std::string_view bytes, const std::string& nameForMessages) {
  if (looksLikeDwg(bytes)) refuseDwg(nameForMessages);
  if (bytes.starts_with(kBinarySentinel)) {
    auto source = binarySource(bytes, nameForMessages);
    return readFrom(*source, nameForMessages, true);
  }
  auto source = asciiSource(bytes, nameForMessages);
  return readFrom(*source, nameForMessages, false);
}

model::Drawing readDxfFile(const std::string& path) {
  // Opened without blocking: a named pipe would otherwise hold open() until a writer came.
  // Only a regular file is read; the flag is cleared before reading it.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    int err = errno;
    throw HostError(err == ENOENT ? HostError::NotFound : HostError::Io,
                    "cannot open the drawing " + path + ": " + std::strerror(err));
  }
  FileCloser closer(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    throw HostError(HostError::Io, "cannot open the drawing " + path + ": not a regular file");
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
    throw HostError(HostError::Io, "cannot open the drawing " + path + ": " + std::strerror(errno));

  char head[32];
  ssize_t n = ::pread(fd, head, sizeof head, 0);
  if (n < 0)
    throw HostError(HostError::Io, "cannot read the drawing " + path + ": " + std::strerror(errno));
  std::string_view headView(head, static_cast<size_t>(n));
  if (looksLikeDwg(headView)) refuseDwg(path);
  if (headView.starts_with(kBinarySentinel)) {
    // Binary files are read whole: their values have no line structure to stream by.
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t r = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      if (r < 0 && errno == EINTR) continue;
      if (r < 0)
        throw HostError(HostError::Io,
                        "cannot read the drawing " + path + ": " + std::strerror(errno));
      if (r == 0) break;
      done += static_cast<size_t>(r);
    }
    bytes.resize(done);
    auto source = binarySource(bytes, path);
    return readFrom(*source, path, true);
  }
  auto source = asciiFileSource(fd, path);
  return readFrom(*source, path, false);
}

}  // namespace cadhost::dxf
