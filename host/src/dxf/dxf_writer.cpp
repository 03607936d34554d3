// Writes a model::Drawing as ASCII or binary DXF, in the drawing's version and code page.

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>

#include "cadhost/host_error.h"
#include "dxf/dxf_io.h"
#include "dxf/tag_source.h"
#include "dxf/text_codec.h"
#include "model/tags.h"

namespace cadhost::dxf {
namespace {

using model::Object;
using model::SectionKind;
using model::Tag;
using model::Tags;

// The value of an integer group as a binary file holds it, in [lo, hi]: an integer text as it
// is, any other number truncated toward zero; a value beyond the range (an infinity too) as the
// nearest end of it, never by an out-of-range conversion; a text that is no number, and "nan",
// as 0.
std::int64_t groupInteger(std::string_view value, std::int64_t lo, std::int64_t hi) {
  std::string_view s = value;
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  // Integer texts exactly, also those a double does not hold (64-bit values above 2^53).
  std::int64_t i = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), i);
  if (!s.empty() && end == s.data() + s.size()) {
    if (ec == std::errc()) return std::clamp(i, lo, hi);
    if (ec == std::errc::result_out_of_range) return s.front() == '-' ? lo : hi;
  }
  const std::optional<double> d = model::parseDouble(value);
  if (!d || std::isnan(*d)) return 0;
  // lo and hi are exact as doubles, or (2^63 - 1) rounds up to 2^63, which no value below
  // reaches: what lies strictly between converts.
  if (*d <= static_cast<double>(lo)) return lo;
  if (*d >= static_cast<double>(hi)) return hi;
  return static_cast<std::int64_t>(*d);
}

// The value of an integer group in the range of the group's type T, for its bytes.
template <class T>
std::uint64_t groupValue(std::string_view value) {
  return static_cast<std::uint64_t>(
      groupInteger(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

// Collects the output and hands it on in large blocks (or keeps it all when no one takes it).
class Sink {
 public:
  explicit Sink(std::function<void(std::string_view)> flush = {}) : flush_(std::move(flush)) {
    if (flush_) buf_.reserve(kBlock + 4096);
  }
  std::string& buffer() { return buf_; }
  void maybeFlush() {
    if (flush_ && buf_.size() >= kBlock) flushNow();
  }
  void flushNow() {
    if (flush_ && !buf_.empty()) {
      flush_(buf_);
      buf_.clear();
    }
  }
  std::string take() { return std::move(buf_); }

 private:
  static constexpr size_t kBlock = size_t{1} << 20;
  std::function<void(std::string_view)> flush_;
  std::string buf_;
};

class Writer {
 public:
  Writer(const model::Drawing& d, Sink& sink) : d_(d), sink_(sink), out_(sink.buffer()) {
    if (!versionUsesUtf8(d.version))
      encoder_ = std::make_unique<TextEncoder>(iconvNameForCodepage(d.codepage));
    binary_ = d.binary;
    twoByteCodes_ = !(d.version.size() == 6 && d.version <= "AC1009");
    eol_ = d.crlf ? "\r\n" : "\n";
  }

  void write() {
    if (binary_) {
      out_.append(kBinarySentinel);
    } else if (d_.utf8Bom) {
      out_.append("\xEF\xBB\xBF");
    }
    bool done[7] = {};
    size_t raw = 0;
    for (SectionKind kind : order()) {
      if (kind == SectionKind::Raw) {
        if (raw < d_.raw.size()) writeRaw(d_.raw[raw++]);
        continue;
      }
      bool& seen = done[static_cast<int>(kind)];
      if (seen) continue;
      seen = true;
      writeSection(kind);
    }
    // Sections added in memory after reading come last.
    while (raw < d_.raw.size()) writeRaw(d_.raw[raw++]);
    tag(0, "EOF");
    sink_.flushNow();
  }

 private:
  // The sections in file order; for a drawing made in memory, the standard order.
  std::vector<SectionKind> order() const {
    if (!d_.sectionOrder.empty()) return d_.sectionOrder;
    bool r12 = !twoByteCodes_;
    std::vector<SectionKind> o{SectionKind::Header};
    if (!r12) o.push_back(SectionKind::Classes);
    o.insert(o.end(), {SectionKind::Tables, SectionKind::Blocks, SectionKind::Entities});
    if (!r12) o.push_back(SectionKind::Objects);
    for (size_t i = 0; i < d_.raw.size(); ++i) o.push_back(SectionKind::Raw);
    return o;
  }

  void beginSection(std::string_view name) {
    tag(0, "SECTION");
    tag(2, name);
  }
  void endSection() { tag(0, "ENDSEC"); }

  void writeSection(SectionKind kind) {
    switch (kind) {
      case SectionKind::Header:
        beginSection("HEADER");
        for (const model::HeaderVar& v : d_.header) {
          tag(9, v.name);
          tags(v.tags);
        }
        break;
      case SectionKind::Classes:
        beginSection("CLASSES");
        for (const Object& o : d_.classes) object(o);
        break;
      case SectionKind::Tables:
        beginSection("TABLES");
        for (const model::Table& t : d_.tables) {
          if (t.head.tags.empty()) {  // a table made in memory without its own tags
            tag(0, "TABLE");
            tag(2, t.name);
          }
          object(t.head);
          for (const Object& e : t.entries) object(e);
          tag(0, "ENDTAB");
        }
        break;
      case SectionKind::Blocks:
        beginSection("BLOCKS");
        for (const model::Block& b : d_.blocks) {
          object(b.begin);
          for (const Object& e : b.entities) object(e);
          if (b.end.tags.empty()) tag(0, "ENDBLK");
          object(b.end);
        }
        break;
      case SectionKind::Entities:
        beginSection("ENTITIES");
        for (const Object& e : d_.entities) object(e);
        break;
      case SectionKind::Objects:
        beginSection("OBJECTS");
        for (const Object& o : d_.objects) object(o);
        break;
      case SectionKind::Raw:
        return;
    }
    endSection();
  }

  void writeRaw(const model::RawSection& r) {
    beginSection(r.name);
    tags(r.tags);
    endSection();
  }

  void object(const Object& o) {
    tags(o.tags);
    for (const Object& s : o.subs) object(s);
    sink_.maybeFlush();
  }

  void tags(const Tags& ts) {
    for (const Tag& t : ts) tag(t.code, t.value);
  }

  void tag(int code, std::string_view value) {
    if (binary_) {
      binaryTag(code, value);
      return;
    }
    // The group code right-aligned in three columns, the value on the next line.
    char buf[16];
    char* end = buf + sizeof buf;
    char* p = end;
    unsigned v = static_cast<unsigned>(code < 0 ? -code : code);
    do {
      *--p = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v);
    if (code < 0) *--p = '-';
    while (end - p < 3) *--p = ' ';
    out_.append(p, end);
    out_.append(eol_);
    text(value);
    out_.append(eol_);
  }

  void text(std::string_view value) {
    if (hasBreakingControl(value)) {
      std::string safe = escapeBreakingControls(value);
      encodeText(safe);
    } else {
      encodeText(value);
    }
  }

  void encodeText(std::string_view value) {
    if (!encoder_ || encoder_->passesThrough(value)) {
      out_.append(value);
    } else {
      encoder_->encode(value, out_);
    }
  }

  void little(std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
  }

  void binaryTag(int code, std::string_view value) {
    if (twoByteCodes_) {
      little(static_cast<std::uint16_t>(code), 2);
    } else if (code >= 0 && code < 255) {
      out_ += static_cast<char>(code);
    } else {
      out_ += static_cast<char>(255);
      little(static_cast<std::uint16_t>(code), 2);
    }
    switch (valueKindOf(code)) {
      case ValueKind::String:
      case ValueKind::Unknown:
        text(value);
        out_ += '\0';
        break;
      case ValueKind::Double: {
        double d = model::parseDouble(value).value_or(0.0);
        std::uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        little(bits, 8);
        break;
      }
      case ValueKind::Int16:
        little(groupValue<std::int16_t>(value), 2);
        break;
      case ValueKind::Int32:
        little(groupValue<std::int32_t>(value), 4);
        break;
      case ValueKind::Int64:
        little(groupValue<std::int64_t>(value), 8);
        break;
      case ValueKind::Bool:  // one byte, read back as 0 .. 255
        little(groupValue<std::uint8_t>(value), 1);
        break;
      case ValueKind::Chunk: {
        std::string bytes;
        for (size_t i = 0; i + 1 < value.size() && bytes.size() < 255; i += 2) {
          auto hex = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
          bytes += static_cast<char>(hex(value[i]) * 16 + hex(value[i + 1]));
        }
        out_ += static_cast<char>(bytes.size());
        out_ += bytes;
        break;
      }
    }
  }

  const model::Drawing& d_;
  Sink& sink_;
  std::string& out_;
  std::unique_ptr<TextEncoder> encoder_;
  bool binary_ = false;
  bool twoByteCodes_ = true;
  std::string_view eol_;
};

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Gives the written file `tmp` the name `path` unless something is there already, in one step
// that no other process can get between (so two writers never replace each other's file).
// Returns true when `tmp` became `path`; false when it was linked there and is still to be
// removed. HostError(Exists) when `path` is taken.
template <typename IoError>
bool placeWithoutReplacing(const std::string& tmp, const std::string& path,
                           const IoError& ioError) {
  if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  int err = errno;
  // File systems that do not know the flag: a hard link fails just as atomically on a taken
  // name.
  if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP) {
    if (::link(tmp.c_str(), path.c_str()) == 0) return false;
    err = errno;
  }
  if (err == EEXIST)
    throw HostError(HostError::Exists, "cannot write the drawing " + path + ": the file exists");
  throw ioError(err);
}

}  // namespace

std::string writeDxf(const model::Drawing& drawing) {
  Sink sink;
  Writer(drawing, sink).write();
  return sink.take();
}

void writeDxfFile(const model::Drawing& drawing, const std::string& path, WriteMode mode) {
  auto ioError = [&](int err) {
    return HostError(HostError::Io, "cannot write the drawing " + path + ": " + std::strerror(err));
  };
  // A short name of fixed length: whatever the target's name, the temporary one fits beside it.
  std::string tmp = folderOf(path) + "/.cadhost-XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) throw ioError(errno);
  // Keep the mode of a file that is replaced; a new file is readable by everyone.
  struct stat st {};
  mode_t fileMode =
      mode == WriteMode::Replace && ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  ::fchmod(fd, fileMode);
  bool placed = false;
  try {
    Sink sink([&](std::string_view block) {
      while (!block.empty()) {
        ssize_t n = ::write(fd, block.data(), block.size());
        if (n < 0) {
          if (errno == EINTR) continue;
          throw ioError(errno);
        }
        block.remove_prefix(static_cast<size_t>(n));
      }
    });
    Writer(drawing, sink).write();
    if (::close(fd) != 0) {
      fd = -1;
      throw ioError(errno);
    }
    fd = -1;
    if (mode == WriteMode::Replace) {
      if (::rename(tmp.c_str(), path.c_str()) != 0) throw ioError(errno);
      placed = true;
    } else {
      placed = placeWithoutReplacing(tmp, path, ioError);
    }
  } catch (...) {
    if (fd >= 0) ::close(fd);
    if (!placed) ::unlink(tmp.c_str());
    throw;
  }
  if (!placed) ::unlink(tmp.c_str());
}

}  // namespace cadhost::dxf
