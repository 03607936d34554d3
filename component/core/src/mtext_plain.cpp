// GetMTextStr: the plain characters of a multi-line text's contents.
//
// Fifteen replacements run in order, each over the whole result of the one before, each
// replacing every match left to right without overlap. Escaped backslashes and braces are
// parked on the control characters 1, 2 and 3 while the format codes go, then put back. Each
// replacement is one scan of the text, so the cost is linear in its length. The codes are
// matched as the patterns below read under case-insensitive matching, where a dot is any
// character but a line feed, [^;]* a greedy run and the S of \S also matches U+017F (long s):
//   1-3   \\ \{ \}                         -> 1, 2, 3
//   4, 5  \pi(.[^;]*);  \pt(.[^;]*);         -> ""
//   6     \S(.[^;]*)(\^|#|\\)(.[^;]*);       -> $1$3
//   7     (\F|\C|\H|\T|\Q|\W|\A)(.[^;]*);    -> ""
//   8-12  \L \O (either case), \~ -> " ", \P, line feed, { and } -> ""
//   13-15 1, 2, 3                            -> \ { }

#include <QString>
#include <string_view>
#include <vector>

#include "tarvik/cad.h"

namespace tarvik {

namespace {

constexpr char16_t kBackslash = u'\\';
constexpr char16_t kLineFeed = u'\n';
constexpr char16_t kSemicolon = u';';

// Whether c is the ASCII letter `lower` in either case (or the long s for 's').
bool isLetter(QChar c, char16_t lower) {
  const char16_t u = c.unicode();
  return u == lower || u == lower - (u'a' - u'A') || (lower == u's' && u == 0x17F);
}

// Every backslash followed by a character that `second` accepts becomes `replacement`.
template <typename Pred>
QString replaceEscapes(const QString& s, Pred second, const QString& replacement) {
  QString out;
  out.reserve(s.size());
  const qsizetype n = s.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (s[i] == kBackslash && i + 1 < n && second(s[i + 1])) {
      out += replacement;
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Every character that `match` accepts becomes `replacement`.
template <typename Pred>
QString replaceCharacters(const QString& s, Pred match, const QString& replacement) {
  QString out;
  out.reserve(s.size());
  for (const QChar c : s) {
    if (match(c))
      out += replacement;
    else
      out += c;
  }
  return out;
}

// Removes every code `prefixLength` characters long (accepted by `isCode` at its position),
// followed by any character but a line feed and then everything up to and including the next
// semicolon.
template <typename Pred>
QString removeCodes(const QString& s, qsizetype prefixLength, Pred isCode) {
  QString out;
  out.reserve(s.size());
  const qsizetype n = s.size();
  bool semicolonsLeft = true;  // false once a search found no semicolon further on
  qsizetype i = 0;
  while (i < n) {
    if (semicolonsLeft && s[i] == kBackslash && i + prefixLength < n && isCode(s, i) &&
        s[i + prefixLength] != kLineFeed) {
      const qsizetype end = s.indexOf(kSemicolon, i + prefixLength + 1);
      if (end >= 0) {
        i = end + 1;
        continue;
      }
      semicolonsLeft = false;
    }
    out += s[i++];
  }
  return out;
}

// \S a ^ b ; (or # or \ as the divider) becomes a followed by b. The divider is the last one
// before the first semicolon after a's first character at which the rest can still match: it
// must be followed by a character other than a line feed and, after that, by a semicolon.
QString joinFractions(const QString& s) {
  const qsizetype n = s.size();
  // semicolonFrom[i]: the first semicolon at or after i (n when none); i up to n + 1.
  std::vector<qsizetype> semicolonFrom(static_cast<std::size_t>(n) + 2, n);
  for (qsizetype i = n - 1; i >= 0; --i)
    semicolonFrom[i] = s[i] == kSemicolon ? i : semicolonFrom[i + 1];
  // lastDivider[i]: the last position at or before i where a divider can end group 1, or -1.
  std::vector<qsizetype> lastDivider(static_cast<std::size_t>(n), -1);
  for (qsizetype b = 0; b < n; ++b) {
    const char16_t c = s[b].unicode();
    const bool divider = (c == u'^' || c == u'#' || c == kBackslash) && b + 1 < n &&
                         s[b + 1] != kLineFeed && semicolonFrom[b + 2] < n;
    lastDivider[b] = divider ? b : (b > 0 ? lastDivider[b - 1] : -1);
  }
  QString out;
  out.reserve(n);
  qsizetype i = 0;
  while (i < n) {
    const qsizetype a = i + 2;  // first character of the upper part
    if (s[i] == kBackslash && a < n && isLetter(s[i + 1], u's') && s[a] != kLineFeed) {
      const qsizetype run = semicolonFrom[a + 1];  // group 1 cannot reach past it
      const qsizetype b = lastDivider[run - 1];
      if (b > a) {
        const qsizetype end = semicolonFrom[b + 2];
        out += QStringView(s).sliced(a, b - a);
        out += QStringView(s).sliced(b + 1, end - b - 1);
        i = end + 1;
        continue;
      }
    }
    out += s[i++];
  }
  return out;
}

// Whether s holds an unpaired surrogate.
bool hasLoneSurrogate(const QString& s) {
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
      ++i;
    } else if (s[i].isSurrogate()) {
      return true;
    }
  }
  return false;
}

}  // namespace

QString CAD::GetMTextStr(const QString& MTextString) const {
  // A text that is not valid UTF-16 matches no code and comes back as it stands.
  if (hasLoneSurrogate(MTextString)) return MTextString;
  const QString park1(QChar(1)), park2(QChar(2)), park3(QChar(3));
  auto is = [](char16_t want) { return [want](QChar c) { return c.unicode() == want; }; };
  QString t = replaceEscapes(MTextString, is(kBackslash), park1);
  t = replaceEscapes(t, is(u'{'), park2);
  t = replaceEscapes(t, is(u'}'), park3);
  t = removeCodes(t, 3, [](const QString& s, qsizetype i) {
    return isLetter(s[i + 1], u'p') && isLetter(s[i + 2], u'i');
  });
  t = removeCodes(t, 3, [](const QString& s, qsizetype i) {
    return isLetter(s[i + 1], u'p') && isLetter(s[i + 2], u't');
  });
  t = joinFractions(t);
  t = removeCodes(t, 2, [](const QString& s, qsizetype i) {
    for (char16_t letter : std::u16string_view(u"fchtqwa"))
      if (isLetter(s[i + 1], letter)) return true;
    return false;
  });
  t = replaceEscapes(t, [](QChar c) { return isLetter(c, u'l') || isLetter(c, u'o'); }, {});
  t = replaceEscapes(t, is(u'~'), QStringLiteral(" "));
  t = replaceEscapes(t, [](QChar c) { return isLetter(c, u'p'); }, {});
  t = replaceCharacters(t, is(kLineFeed), {});
  t = replaceCharacters(t, [](QChar c) { return c == u'{' || c == u'}'; }, {});
  t = replaceCharacters(t, is(1), QStringLiteral("\\"));
  t = replaceCharacters(t, is(2), QStringLiteral("{"));
  return replaceCharacters(t, is(3), QStringLiteral("}"));
}

}  // namespace tarvik
