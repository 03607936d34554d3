#include "dxf/tag_source.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string>

#include "cadhost/host_error.h"
#include "dxf/printable.h"
#include "model/tags.h"

namespace cadhost::dxf {
namespace {

[[noreturn]] void fail(const std::string& name, const std::string& where, const std::string& what) {
  throw HostError(HostError::BadFile, name + ": " + where + ": " + what);
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Splits lines of an ASCII DXF text. In streaming mode it refills its buffer from a file
// descriptor; a line stays valid until the next call.
class AsciiSource : public TagSource {
 public:
  AsciiSource(std::string_view bytes, const std::string& name) : name_(name), data_(bytes) {
    skipBom();
  }
  AsciiSource(int fd, const std::string& name, size_t blockSize)
      : name_(name), block_(std::max<size_t>(blockSize, 16)), fd_(fd), eof_(false) {
    storage_.resize(block_);
    refill();
    skipBom();
  }

  bool next(RawTag& tag) override {
    std::string_view codeLine;
    if (!nextLine(codeLine)) return false;
    std::uint64_t codeLineNo = line_;
    std::string_view text = trimBlanks(codeLine);
    int code = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), code);
    if (text.empty() || ec != std::errc() || p != text.data() + text.size() || code < -32768 ||
        code > 32767) {
      // A blank line at the very end of a file is not a tag.
      if (text.empty() && atEnd()) return false;
      fail(name_, describe(codeLineNo),
           "the group code \"" + printableExcerpt(text) + "\" is not a number");
    }
    std::string_view value;
    if (!nextLine(value))
      fail(name_, describe(codeLineNo),
           "the file ends after group code " + std::to_string(code) + " without its value");
    tag.code = code;
    tag.value = value;
    tag.position = codeLineNo;
    return true;
  }

  std::string describe(std::uint64_t position) const override {
    return "line " + std::to_string(position);
  }

  TextLayout layout() const { return layout_; }

 private:
  void skipBom() {
    if (data_.substr(pos_).starts_with("\xEF\xBB\xBF")) {
      pos_ += 3;
      layout_.bom = true;
    }
  }

  // True when every byte has been read; a stream whose buffer is used up reads on to see.
  bool atEnd() {
    if (pos_ >= data_.size() && !eof_) refill();
    return pos_ >= data_.size() && eof_;
  }

  // Reads more of the file, keeping the unread rest. Returns false when nothing was added.
  bool refill() {
    if (fd_ < 0 || eof_) return false;
    size_t rest = data_.size() - pos_;
    if (rest > 0 && pos_ > 0) std::memmove(storage_.data(), storage_.data() + pos_, rest);
    // A line longer than half the buffer: make room for more of it.
    if (rest + block_ / 2 > storage_.size()) storage_.resize(storage_.size() * 2);
    size_t filled = rest;
    bool added = false;
    while (filled < storage_.size()) {
      ssize_t n = ::read(fd_, storage_.data() + filled, storage_.size() - filled);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw HostError(HostError::Io, name_ + ": cannot read the file: " + std::strerror(errno));
      }
      if (n == 0) {
        eof_ = true;
        break;
      }
      filled += static_cast<size_t>(n);
      added = true;
    }
    data_ = std::string_view(storage_.data(), filled);
    pos_ = 0;
    return added;
  }

  bool nextLine(std::string_view& line) {
    for (;;) {
      const char* begin = data_.data() + pos_;
      size_t left = data_.size() - pos_;
      const void* nl = left ? std::memchr(begin, '\n', left) : nullptr;
      if (nl) {
        size_t len = static_cast<const char*>(nl) - begin;
        line = std::string_view(begin, len);
        pos_ += len + 1;
        if (!line.empty() && line.back() == '\r') {
          line.remove_suffix(1);
          if (line_ == 0) layout_.crlf = true;
        }
        ++line_;
        return true;
      }
      if (refill()) continue;
      if (left == 0) return false;
      // The last line has no line end.
      line = std::string_view(data_.data() + pos_, left);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      pos_ = data_.size();
      eof_ = true;
      ++line_;
      return true;
    }
  }

  std::string name_;
  size_t block_ = 0;
  std::string storage_;
  std::string_view data_;
  size_t pos_ = 0;
  int fd_ = -1;
  bool eof_ = true;
  std::uint64_t line_ = 0;
  TextLayout layout_;
};

class BinarySource : public TagSource {
 public:
  BinarySource(std::string_view bytes, const std::string& name) : name_(name), data_(bytes) {
    pos_ = kBinarySentinel.size();
    // From R13 on a group code takes two bytes. The first tag is (0, "SECTION") or a comment
    // (999): in the two-byte form its second byte is 0 (or 3 for 999), in the one-byte form
    // the first character of the value.
    if (data_.size() > pos_ + 1) {
      unsigned char lo = static_cast<unsigned char>(data_[pos_]);
      unsigned char hi = static_cast<unsigned char>(data_[pos_ + 1]);
      twoByteCodes_ = hi == 0 || (lo == 0xE7 && hi == 0x03);
    }
  }

  bool next(RawTag& tag) override {
    if (pos_ >= data_.size()) return false;
    std::uint64_t start = pos_;
    int code = 0;
    if (twoByteCodes_) {
      code = static_cast<std::int16_t>(readLe(2, start));
    } else {
      code = static_cast<unsigned char>(data_[pos_++]);
      if (code == 255) code = static_cast<std::int16_t>(readLe(2, start));
    }
    tag.code = code;
    tag.position = start;
    switch (valueKindOf(code)) {
      case ValueKind::String: {
        const void* end = std::memchr(data_.data() + pos_, 0, data_.size() - pos_);
        if (!end) fail(name_, describe(start), "the file ends inside a text value");
        size_t len = static_cast<const char*>(end) - (data_.data() + pos_);
        tag.value = data_.substr(pos_, len);
        pos_ += len + 1;
        break;
      }
      case ValueKind::Double: {
        std::uint64_t bits = readLe(8, start);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        text_ = model::formatDouble(v);
        tag.value = text_;
        break;
      }
      case ValueKind::Int16:
        text_ = std::to_string(static_cast<std::int16_t>(readLe(2, start)));
        tag.value = text_;
        break;
      case ValueKind::Int32:
        text_ = std::to_string(static_cast<std::int32_t>(readLe(4, start)));
        tag.value = text_;
        break;
      case ValueKind::Int64:
        text_ = std::to_string(static_cast<std::int64_t>(readLe(8, start)));
        tag.value = text_;
        break;
      case ValueKind::Bool:
        text_ = std::to_string(static_cast<unsigned>(readLe(1, start)));
        tag.value = text_;
        break;
      case ValueKind::Chunk: {
        size_t len = static_cast<size_t>(readLe(1, start));
        if (pos_ + len > data_.size()) fail(name_, describe(start), "the file ends inside data");
        static constexpr char kHex[] = "0123456789ABCDEF";
        text_.clear();
        for (size_t i = 0; i < len; ++i) {
          unsigned char b = static_cast<unsigned char>(data_[pos_ + i]);
          text_ += kHex[b >> 4];
          text_ += kHex[b & 15];
        }
        pos_ += len;
        tag.value = text_;
        break;
      }
      case ValueKind::Unknown:
        fail(name_, describe(start), "unknown group code " + std::to_string(code));
    }
    return true;
  }

  std::string describe(std::uint64_t position) const override {
    return "byte offset " + std::to_string(position);
  }

 private:
  std::uint64_t readLe(size_t n, std::uint64_t start) {
    if (pos_ + n > data_.size()) fail(name_, describe(start), "the file ends inside a value");
    std::uint64_t v = 0;
    for (size_t i = 0; i < n; ++i)
      v |= static_cast<std::uint64_t>(static_cast<unsigned char>(data_[pos_ + i])) << (8 * i);
    pos_ += n;
    return v;
  }

  std::string name_;
  std::string_view data_;
  size_t pos_ = 0;
  bool twoByteCodes_ = true;
  std::string text_;
};

}  // namespace

ValueKind valueKindOf(int code) {
  auto in = [code](int lo, int hi) { return code >= lo && code <= hi; };
  if (in(0, 9) || in(100, 109) || in(300, 309) || in(320, 369) || in(390, 399) || in(410, 419) ||
      in(430, 439) || in(470, 481) || code == 999 || in(1000, 1003) || in(1005, 1009))
    return ValueKind::String;
  if (in(10, 59) || in(110, 149) || in(210, 239) || in(460, 469) || in(1010, 1059))
    return ValueKind::Double;
  if (in(60, 79) || in(170, 179) || in(270, 289) || in(370, 389) || in(400, 409) || in(1060, 1070))
    return ValueKind::Int16;
  if (in(90, 99) || in(420, 429) || in(440, 459) || code == 1071) return ValueKind::Int32;
  if (in(160, 169)) return ValueKind::Int64;
  if (in(290, 299)) return ValueKind::Bool;
  if (in(310, 319) || code == 1004) return ValueKind::Chunk;
  return ValueKind::Unknown;
}

std::unique_ptr<TagSource> asciiSource(std::string_view bytes, const std::string& name) {
  return std::make_unique<AsciiSource>(bytes, name);
}

std::unique_ptr<TagSource> asciiFileSource(int fd, const std::string& name, size_t blockSize) {
  return std::make_unique<AsciiSource>(fd, name, blockSize);
}

std::unique_ptr<TagSource> binarySource(std::string_view bytes, const std::string& name) {
  return std::make_unique<BinarySource>(bytes, name);
}

TextLayout layoutOf(const TagSource& source) {
  if (auto* a = dynamic_cast<const AsciiSource*>(&source)) return a->layout();
  return {};
}

}  // namespace cadhost::dxf
