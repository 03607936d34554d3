#pragma once

// The value text of a tag, in 22 bytes with no alignment of its own, so that a tag (a 2-byte
// group code and its text) takes 24 bytes where a std::string value made it 40. A drawing holds
// millions of tags, nearly all of them short numbers, names and handles: texts of up to 20
// bytes are kept inline, longer ones in a heap block of their own. It reads like a const
// std::string (it converts to std::string_view and std::string, compares with text) and is
// replaced as a whole, never changed in place.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

namespace cadhost::model {

class TagText {
 public:
  static constexpr std::size_t kInline = 20;  // longest text kept inline

  TagText() noexcept { clearInline(); }
  TagText(std::string_view s) { init(s); }  // NOLINT: reads like a string
  TagText(const std::string& s) { init(s); }
  TagText(const char* s) { init(std::string_view(s)); }
  TagText(const TagText& o) { init(o.view()); }
  TagText(TagText&& o) noexcept {
    std::memcpy(buf_, o.buf_, sizeof buf_);
    o.clearInline();
  }
  ~TagText() { release(); }

  TagText& operator=(const TagText& o) {
    if (this != &o) assign(o.view());
    return *this;
  }
  TagText& operator=(TagText&& o) noexcept {
    if (this != &o) {
      release();
      std::memcpy(buf_, o.buf_, sizeof buf_);
      o.clearInline();
    }
    return *this;
  }
  TagText& operator=(std::string_view s) { return assign(s); }
  TagText& operator=(const std::string& s) { return assign(s); }
  TagText& operator=(const char* s) { return assign(std::string_view(s)); }

  TagText& assign(std::string_view s) {
    if (onHeap() || s.size() > kInline) {
      // Built apart first: `s` may lie inside this text.
      TagText copy(s);
      *this = std::move(copy);
    } else {
      std::memmove(buf_, s.data(), s.size());
      buf_[s.size()] = '\0';
      buf_[kTagByte] = static_cast<char>(s.size());
    }
    return *this;
  }

  std::size_t size() const noexcept {
    if (!onHeap()) return static_cast<unsigned char>(buf_[kTagByte]);
    std::uint64_t n;
    std::memcpy(&n, buf_ + sizeof(char*), sizeof n);
    return static_cast<std::size_t>(n);
  }
  std::size_t length() const noexcept { return size(); }
  bool empty() const noexcept { return size() == 0; }
  const char* data() const noexcept {
    if (!onHeap()) return buf_;
    const char* p;
    std::memcpy(&p, buf_, sizeof p);
    return p;
  }
  const char* c_str() const noexcept { return data(); }
  const char* begin() const noexcept { return data(); }
  const char* end() const noexcept { return data() + size(); }
  char operator[](std::size_t i) const noexcept { return data()[i]; }
  char front() const noexcept { return data()[0]; }
  char back() const noexcept { return data()[size() - 1]; }
  std::string_view view() const noexcept { return {data(), size()}; }
  std::string str() const { return std::string(view()); }
  std::string substr(std::size_t pos, std::size_t n = std::string::npos) const {
    return std::string(view().substr(pos, n));
  }
  std::size_t find(std::string_view s, std::size_t pos = 0) const noexcept {
    return view().find(s, pos);
  }
  std::size_t find(char c, std::size_t pos = 0) const noexcept { return view().find(c, pos); }

  operator std::string_view() const noexcept { return view(); }  // NOLINT
  operator std::string() const { return str(); }                 // NOLINT

  friend bool operator==(const TagText& a, const TagText& b) noexcept {
    return a.view() == b.view();
  }
  friend bool operator==(const TagText& a, std::string_view b) noexcept { return a.view() == b; }
  friend bool operator==(const TagText& a, const char* b) noexcept {
    return a.view() == std::string_view(b);
  }
  friend bool operator==(const TagText& a, const std::string& b) noexcept {
    return a.view() == std::string_view(b);
  }
  friend std::strong_ordering operator<=>(const TagText& a, const TagText& b) noexcept {
    return a.view() <=> b.view();
  }
  friend std::strong_ordering operator<=>(const TagText& a, std::string_view b) noexcept {
    return a.view() <=> b;
  }
  friend std::strong_ordering operator<=>(const TagText& a, const char* b) noexcept {
    return a.view() <=> std::string_view(b);
  }
  friend std::strong_ordering operator<=>(const TagText& a, const std::string& b) noexcept {
    return a.view() <=> std::string_view(b);
  }
  friend std::string operator+(const TagText& a, std::string_view b) {
    std::string s(a.view());
    s += b;
    return s;
  }
  friend std::string operator+(std::string_view a, const TagText& b) {
    std::string s(a);
    s += b.view();
    return s;
  }
  friend std::string operator+(const TagText& a, const char* b) { return a + std::string_view(b); }
  friend std::string operator+(const char* a, const TagText& b) { return std::string_view(a) + b; }
  friend std::string operator+(const TagText& a, const std::string& b) {
    return a + std::string_view(b);
  }
  friend std::string operator+(const std::string& a, const TagText& b) {
    return std::string_view(a) + b;
  }
  friend std::string& operator+=(std::string& a, const TagText& b) { return a.append(b.view()); }
  friend std::ostream& operator<<(std::ostream& os, const TagText& t) { return os << t.view(); }

 private:
  static constexpr std::size_t kTagByte = 21;
  static constexpr unsigned char kHeap = 0xFF;

  bool onHeap() const noexcept { return static_cast<unsigned char>(buf_[kTagByte]) == kHeap; }
  void clearInline() noexcept {
    buf_[0] = '\0';
    buf_[kTagByte] = 0;
  }
  void init(std::string_view s) {
    if (s.size() <= kInline) {
      std::memcpy(buf_, s.data(), s.size());
      buf_[s.size()] = '\0';
      buf_[kTagByte] = static_cast<char>(s.size());
      return;
    }
    char* p = new char[s.size() + 1];
    std::memcpy(p, s.data(), s.size());
    p[s.size()] = '\0';
    const std::uint64_t n = s.size();
    std::memcpy(buf_, &p, sizeof p);
    std::memcpy(buf_ + sizeof p, &n, sizeof n);
    buf_[kTagByte] = static_cast<char>(kHeap);
  }
  void release() noexcept {
    if (onHeap()) {
      char* p;
      std::memcpy(&p, buf_, sizeof p);
      delete[] p;
      clearInline();
    }
  }

  char buf_[22];
};

static_assert(sizeof(TagText) == 22 && alignof(TagText) == 1);

}  // namespace cadhost::model
