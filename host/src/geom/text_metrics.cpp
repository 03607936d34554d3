#include "geom/text_metrics.h"

#include "geom/wildcard.h"
#include "model/utf8.h"

namespace cadhost::geom {

namespace {

constexpr double kFullWidth = 1.0;
constexpr double kNarrow = 0.35;
constexpr double kSpace = 0.5;
constexpr double kRegular = 0.65;
constexpr double kMTextLineSpacing = 5.0 / 3.0;

using model::appendUtf8;

std::string encode(const std::u32string& s) {
  std::string out;
  for (char32_t c : s) appendUtf8(out, c);
  return out;
}

// Skips an MTEXT code argument up to and including its ';'.
std::size_t skipArgument(std::string_view s, std::size_t i) {
  const std::size_t end = s.find(';', i);
  return end == std::string_view::npos ? s.size() : end + 1;
}

}  // namespace

bool isFullWidth(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
}

double characterWidth(char32_t c) {
  if (c < 0x20) return 0;
  if (isFullWidth(c)) return kFullWidth;
  if (c == U' ' || c == 0xA0) return kSpace;
  switch (c) {
    case U'i':
    case U'j':
    case U'l':
    case U'I':
    case U'1':
    case U'!':
    case U'|':
    case U'.':
    case U',':
    case U':':
    case U';':
    case U'\'':
    case U'`':
    case U'(':
    case U')':
    case U'[':
    case U']':
    case U'{':
    case U'}':
      return kNarrow;
    default:
      return kRegular;
  }
}

double textWidth(std::string_view text, double height, double widthFactor) {
  double units = 0;
  for (char32_t c : decodeUtf8(text)) units += characterWidth(c);
  return units * height * widthFactor;
}

std::size_t plainSingleLineStep(std::string_view v, std::size_t i, std::string& out) {
  if (v[i] != '%' || i + 2 >= v.size() || v[i + 1] != '%') {
    out += v[i];
    return i + 1;
  }
  const char c = v[i + 2];
  switch (c) {
    case 'd':
    case 'D':
      appendUtf8(out, 0xB0);
      break;
    case 'p':
    case 'P':
      appendUtf8(out, 0xB1);
      break;
    case 'c':
    case 'C':
      appendUtf8(out, 0x2300);
      break;
    case '%':
      out += '%';
      break;
    case 'u':
    case 'U':
    case 'o':
    case 'O':
    case 'k':
    case 'K':
      break;
    default:
      if (c >= '0' && c <= '9') {
        std::size_t j = i + 2;
        unsigned code = 0;
        while (j < v.size() && j < i + 5 && v[j] >= '0' && v[j] <= '9')
          code = code * 10 + (v[j++] - '0');
        appendUtf8(out, code);
        return j;
      }
      out += "%%";
      out += c;
  }
  return i + 3;
}

std::string plainSingleLineText(std::string_view v) {
  std::string out;
  for (std::size_t i = 0; i < v.size();) i = plainSingleLineStep(v, i, out);
  return out;
}

std::string plainMText(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (c == '{' || c == '}') {
      ++i;
      continue;
    }
    if (c == '\r') {
      ++i;
      continue;
    }
    if (c != '\\' || i + 1 >= s.size()) {
      out += c;
      ++i;
      continue;
    }
    const char k = s[i + 1];
    switch (k) {
      case 'P':
      case 'N':
      case 'X':
        out += '\n';
        i += 2;
        break;
      case '~':
        out += ' ';
        i += 2;
        break;
      case '\\':
      case '{':
      case '}':
        out += k;
        i += 2;
        break;
      case 'L':
      case 'l':
      case 'O':
      case 'o':
      case 'K':
      case 'k':
        i += 2;
        break;
      case 'S': {
        // Stacked text "\Supper^lower;" (also / and #): measured as its longer part.
        const std::size_t end = skipArgument(s, i + 2);
        std::string_view body = s.substr(i + 2, end - (i + 2));
        if (!body.empty() && body.back() == ';') body.remove_suffix(1);
        std::size_t sep = body.find_first_of("^/#");
        std::string_view a = body.substr(0, sep);
        std::string_view b =
            sep == std::string_view::npos ? std::string_view() : body.substr(sep + 1);
        out += decodeUtf8(a).size() >= decodeUtf8(b).size() ? a : b;
        i = end;
        break;
      }
      case 'f':
      case 'F':
      case 'H':
      case 'h':
      case 'W':
      case 'w':
      case 'Q':
      case 'q':
      case 'T':
      case 't':
      case 'A':
      case 'a':
      case 'C':
      case 'c':
      case 'p':
        i = skipArgument(s, i + 2);
        break;
      default:
        // An unknown code: keep the text as written.
        out += c;
        ++i;
    }
  }
  return plainSingleLineText(out);
}

std::vector<std::string> wrapMTextLines(std::string_view plain, double height, double widthFactor,
                                        double referenceWidth) {
  std::vector<std::string> lines;
  const std::u32string text = decodeUtf8(plain);
  const double unit = height * widthFactor;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find(U'\n', start);
    if (end == std::u32string::npos) end = text.size();
    std::u32string para = text.substr(start, end - start);
    if (referenceWidth <= 0) {
      lines.push_back(encode(para));
    } else {
      // Greedy fill: break after a space or beside a full-width character; a word longer than
      // the width stays whole.
      std::size_t lineStart = 0;
      while (true) {
        double w = 0;
        std::size_t lastBreak = std::u32string::npos;
        std::size_t i = lineStart;
        for (; i < para.size(); ++i) {
          const double cw = characterWidth(para[i]) * unit;
          if (w + cw > referenceWidth && i > lineStart && para[i] != U' ') {
            if (isFullWidth(para[i]) || isFullWidth(para[i - 1]) || para[i - 1] == U' ')
              lastBreak = i;
            if (lastBreak != std::u32string::npos) break;
          }
          w += cw;
          if (para[i] == U' ')
            lastBreak = i + 1;
          else if (isFullWidth(para[i]))
            lastBreak = i + 1;
        }
        if (i >= para.size()) {
          lines.push_back(encode(para.substr(lineStart)));
          break;
        }
        std::size_t cut = lastBreak;
        std::size_t trimmed = cut;
        while (trimmed > lineStart && para[trimmed - 1] == U' ') --trimmed;
        lines.push_back(encode(para.substr(lineStart, trimmed - lineStart)));
        lineStart = cut;
        while (lineStart < para.size() && para[lineStart] == U' ') ++lineStart;
        if (lineStart >= para.size()) break;
      }
    }
    if (end >= text.size()) break;
    start = end + 1;
  }
  return lines;
}

double mtextLineSpacing(double height, double spacingFactor) {
  return height * kMTextLineSpacing * (spacingFactor > 0 ? spacingFactor : 1.0);
}

}  // namespace cadhost::geom
