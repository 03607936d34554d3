#pragma once

// The in-memory form of a DXF drawing. The tag list is the source of truth: every object
// (header variable, class, table entry, block, entity, object) keeps its ordered (group code,
// value text) pairs exactly as read, so an object nobody touched is written back tag for tag.
// Typed access reads and patches single tags (see tags.h).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/tag_text.h"

namespace cadhost::model {

// One group code and its value text. Text values are UTF-8, with \U+XXXX and \M+ escapes
// decoded; numbers keep the text they were read with (binary DXF numbers are formatted in the
// shortest form that reads back the same). 24 bytes: a drawing holds millions of tags.
struct Tag {
  std::int16_t code = 0;
  TagText value;

  bool operator==(const Tag&) const = default;
};
static_assert(sizeof(Tag) == 24);

using Tags = std::vector<Tag>;

// One DXF object. For entities, table entries, blocks and objects the first tag is (0, TYPE).
// Chained sub-entities (VERTEX... SEQEND after a POLYLINE, ATTRIB... SEQEND after an INSERT
// with 66 = 1) are kept in `subs`, in file order, SEQEND last.
struct Object {
  Tags tags;
  std::vector<Object> subs;

  bool operator==(const Object&) const = default;
};

// A header variable: its name ("$ACADVER") and the tags that follow the (9, name) tag.
struct HeaderVar {
  std::string name;
  Tags tags;

  bool operator==(const HeaderVar&) const = default;
};

// A table of the TABLES section: the TABLE object (its own tags up to the first entry) and its
// entries (LAYER, STYLE, ...). The ENDTAB is implied.
struct Table {
  std::string name;  // "LAYER", "STYLE", "LTYPE", "BLOCK_RECORD", ... (the 2 tag of TABLE)
  Object head;
  std::vector<Object> entries;

  bool operator==(const Table&) const = default;
};

// A block definition of the BLOCKS section: BLOCK, its entities, ENDBLK.
struct Block {
  Object begin;
  std::vector<Object> entities;
  Object end;

  bool operator==(const Block&) const = default;
};

// A section the host does not interpret (THUMBNAILIMAGE, ACDSDATA, unknown ones): every tag
// between (0, SECTION) (2, NAME) and (0, ENDSEC).
struct RawSection {
  std::string name;
  Tags tags;

  bool operator==(const RawSection&) const = default;
};

enum class SectionKind { Header, Classes, Tables, Blocks, Entities, Objects, Raw };

struct Drawing {
  // "$ACADVER" as read ("AC1009" ... "AC1032"); new drawings are "AC1032".
  std::string version = "AC1032";
  // "$DWGCODEPAGE" as read ("ANSI_936", ...); the encoding of text before AC1021.
  std::string codepage = "ANSI_1252";
  // True when read from a binary DXF file; the writer then writes binary again.
  bool binary = false;
  // The line ends and byte order mark of an ASCII file, kept so that it is written back alike.
  bool crlf = false;
  bool utf8Bom = false;

  std::vector<HeaderVar> header;
  std::vector<Object> classes;
  std::vector<Table> tables;
  std::vector<Block> blocks;
  std::vector<Object> entities;  // the ENTITIES section: model space (and the active layout)
  std::vector<Object> objects;
  std::vector<RawSection> raw;

  // The sections in file order; Raw entries refer to `raw` in order.
  std::vector<SectionKind> sectionOrder;

  bool operator==(const Drawing&) const = default;
};

}  // namespace cadhost::model
