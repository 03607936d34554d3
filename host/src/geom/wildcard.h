#pragma once

// The host's wildcard patterns, matched over UTF-8 code points without regard to case (decoded
// from the text's bytes as the match goes, so a long text costs only what the match reads):
//   #      one ASCII digit            @      one ASCII letter
//   .      one character that is neither a letter nor a digit (any script)
//   *      any run of characters, including none
//   ?      any single character
//   ~      as the first character of the pattern: matches what the rest does not match;
//          as the first character of a later alternative: negates that alternative
//   [...]  one character of the class (ranges "a-z"); [~...] one character not in it
//   `      the next character stands for itself
//   ,      separates alternatives: "TEXT,MTEXT" matches either word
// A '[' without its ']' and a trailing '`' stand for themselves.

#include <string>
#include <string_view>
#include <vector>

namespace cadhost::geom {

// A pattern compiled once and matched many times.
class WildcardPattern {
 public:
  WildcardPattern() = default;  // matches nothing
  explicit WildcardPattern(std::string_view pattern);

  bool matches(std::string_view text) const;

  // One element of a compiled alternative (public for the matcher's helpers).
  struct Element {
    enum Kind { Literal, Digit, Letter, NonAlnum, AnyOne, AnyRun, Class } kind = Literal;
    char32_t ch = 0;                                    // Literal, case-folded
    bool negated = false;                               // Class
    std::vector<std::pair<char32_t, char32_t>> ranges;  // Class, case-folded, inclusive
  };
  struct Alternative {
    std::vector<Element> elements;
    bool negated = false;
    bool hasRun = false;  // holds a '*'; without one it matches exactly elements.size() characters
  };

 private:
  std::vector<Alternative> alternatives_;
  bool negated_ = false;
};

// One-off match; prefer WildcardPattern when matching one pattern against many texts.
bool wildcardMatch(std::string_view pattern, std::string_view text);

// Case folding used by the matcher: ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic and
// full-width Latin letters map to lower case; other characters stay as they are.
char32_t foldCase(char32_t c);

// Decodes UTF-8 into code points; an invalid byte becomes U+FFFD.
std::u32string decodeUtf8(std::string_view text);

}  // namespace cadhost::geom
