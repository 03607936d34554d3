#include "geom/wildcard.h"

#include "model/utf8.h"

namespace cadhost::geom {

namespace {

using Element = WildcardPattern::Element;
using Alternative = WildcardPattern::Alternative;

bool isAsciiDigit(char32_t c) {
  return c >= U'0' && c <= U'9';
}
bool isAsciiLetter(char32_t c) {
  return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

// Letters and digits of any script, as far as "." needs to tell them from punctuation and
// symbols: the Latin, Greek and Cyrillic letter blocks, full-width letters and digits, kana,
// hangul and CJK ideographs.
bool isAlphanumeric(char32_t c) {
  if (c < 0x80) return isAsciiDigit(c) || isAsciiLetter(c);
  if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
  if ((c >= 0x370 && c <= 0x3FF) || (c >= 0x400 && c <= 0x52F)) return true;
  if (c >= 0x3040 && c <= 0x30FF) return c != 0x30FB;  // kana, less the middle dot
  if ((c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF)) return true;
  if ((c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF)) return true;
  if ((c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A))
    return true;
  return c >= 0x20000 && c <= 0x3134F;
}

bool elementMatches(const Element& e, char32_t folded) {
  switch (e.kind) {
    case Element::Literal:
      return e.ch == folded;
    case Element::Digit:
      return isAsciiDigit(folded);
    case Element::Letter:
      return isAsciiLetter(folded);
    case Element::NonAlnum:
      return !isAlphanumeric(folded);
    case Element::AnyOne:
      return true;
    case Element::Class: {
      bool in = false;
      for (const auto& [lo, hi] : e.ranges)
        if (folded >= lo && folded <= hi) {
          in = true;
          break;
        }
      return in != e.negated;
    }
    case Element::AnyRun:
      return false;
  }
  return false;
}

// Greedy match over the UTF-8 bytes, decoding as it goes, with one backtracking point per
// '*': no copy of the text, at most (text length x pattern length) steps, and an alternative
// without '*' (a fixed number of characters) fails on the text's length alone when that
// cannot hold so many characters.
bool alternativeMatches(const Alternative& alt, std::string_view text) {
  const std::vector<Element>& els = alt.elements;
  if (!alt.hasRun && (text.size() < els.size() || text.size() > 4 * els.size())) return false;
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t p = 0, t = 0;
  std::size_t starP = kNone, starT = 0;
  while (t < text.size()) {
    if (p < els.size() && els[p].kind == Element::AnyRun) {
      starP = p++;
      starT = t;
      continue;
    }
    std::size_t length = 1;
    const char32_t c = foldCase(model::decodeUtf8At(text, t, length));
    if (p < els.size() && elementMatches(els[p], c)) {
      ++p;
      t += length;
    } else if (starP != kNone) {
      p = starP + 1;
      model::decodeUtf8At(text, starT, length);
      t = starT += length;
    } else {
      return false;
    }
  }
  while (p < els.size() && els[p].kind == Element::AnyRun) ++p;
  return p == els.size();
}

// Parses "[...]" starting after the '['. Returns false (nothing consumed) when no ']' closes it.
bool parseClass(const std::u32string& pat, std::size_t& i, Element& out) {
  std::size_t j = i;
  Element e;
  e.kind = Element::Class;
  if (j < pat.size() && pat[j] == U'~') {
    e.negated = true;
    ++j;
  }
  bool first = true;
  while (j < pat.size()) {
    char32_t c = pat[j];
    if (c == U']' && !first) {
      i = j + 1;
      out = std::move(e);
      return true;
    }
    first = false;
    if (c == U'`' && j + 1 < pat.size()) c = pat[++j];
    ++j;
    char32_t hi = c;
    if (j + 1 < pat.size() && pat[j] == U'-' && pat[j + 1] != U']') {
      hi = pat[j + 1];
      if (hi == U'`' && j + 2 < pat.size()) {
        hi = pat[j + 2];
        ++j;
      }
      j += 2;
    }
    const char32_t a = foldCase(c), b = foldCase(hi);
    if (a <= b)
      e.ranges.emplace_back(a, b);
    else
      e.ranges.emplace_back(b, a);
  }
  return false;
}

}  // namespace

char32_t foldCase(char32_t c) {
  if (c < 0x80) return (c >= U'A' && c <= U'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c >= 0x100 && c <= 0x137) return c | 1;
  if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return c | 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
  return c;
}

std::u32string decodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t i = 0, length = 1; i < s.size(); i += length)
    out.push_back(model::decodeUtf8At(s, i, length));
  return out;
}

WildcardPattern::WildcardPattern(std::string_view pattern) {
  const std::u32string pat = decodeUtf8(pattern);
  std::size_t i = 0;
  if (i < pat.size() && pat[i] == U'~') {
    negated_ = true;
    ++i;
  }
  Alternative alt;
  bool altStart = true;
  while (i < pat.size()) {
    const char32_t c = pat[i];
    if (altStart && c == U'~' && !alternatives_.empty()) {
      alt.negated = true;
      ++i;
      altStart = false;
      continue;
    }
    altStart = false;
    Element e;
    switch (c) {
      case U',':
        alternatives_.push_back(std::move(alt));
        alt = Alternative{};
        altStart = true;
        ++i;
        continue;
      case U'#':
        e.kind = Element::Digit;
        break;
      case U'@':
        e.kind = Element::Letter;
        break;
      case U'.':
        e.kind = Element::NonAlnum;
        break;
      case U'?':
        e.kind = Element::AnyOne;
        break;
      case U'*':
        e.kind = Element::AnyRun;
        alt.hasRun = true;
        if (!alt.elements.empty() && alt.elements.back().kind == Element::AnyRun) {
          ++i;
          continue;
        }
        break;
      case U'[': {
        std::size_t j = i + 1;
        if (parseClass(pat, j, e)) {
          alt.elements.push_back(std::move(e));
          i = j;
          continue;
        }
        e.kind = Element::Literal;
        e.ch = c;
        break;
      }
      case U'`':
        e.kind = Element::Literal;
        e.ch = foldCase(i + 1 < pat.size() ? pat[++i] : c);
        break;
      default:
        e.kind = Element::Literal;
        e.ch = foldCase(c);
    }
    alt.elements.push_back(std::move(e));
    ++i;
  }
  alternatives_.push_back(std::move(alt));
}

bool WildcardPattern::matches(std::string_view text) const {
  if (alternatives_.empty()) return false;
  bool any = false;
  for (const Alternative& a : alternatives_)
    if (alternativeMatches(a, text) != a.negated) {
      any = true;
      break;
    }
  return any != negated_;
}

bool wildcardMatch(std::string_view pattern, std::string_view text) {
  return WildcardPattern(pattern).matches(text);
}

}  // namespace cadhost::geom
