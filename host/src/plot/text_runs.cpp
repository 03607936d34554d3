#include "plot/text_runs.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

#include "geom/text_metrics.h"
#include "model/tags.h"
#include "model/utf8.h"

namespace cadhost::plot {

namespace {

constexpr char32_t kNoBreakSpace = 0xA0;

// What a caret at s[i] stands for, and how many bytes it takes.
struct Caret {
  char32_t c;
  std::size_t length;
};
Caret caretAt(std::string_view s, std::size_t i) {
  if (i + 1 < s.size()) {
    const char next = s[i + 1];
    if (next == ' ') return {U'^', 2};
    if (next >= '@' && next <= '_') return {static_cast<char32_t>(next - '@'), 2};
  }
  return {U'^', 1};
}

// The size an "\H" or "\W" argument sets ("2.5", or "0.7x" relative to `current`); nullopt when
// it is not a usable number.
std::optional<double> sizeCode(std::string_view arg, double current) {
  bool relative = false;
  if (!arg.empty() && (arg.back() == 'x' || arg.back() == 'X')) {
    relative = true;
    arg.remove_suffix(1);
  }
  const std::optional<double> v = model::parseDouble(arg);
  if (!v || !(*v > 0) || !std::isfinite(*v)) return std::nullopt;
  const double size = relative ? current * *v : *v;
  if (!(size > 0) || !std::isfinite(size)) return std::nullopt;
  return size;
}

// The tab stops a paragraph code's argument sets ("xi-3,l3,t3,6": 3 and 6, in text heights);
// nullopt when it sets none. "tz" clears them; a stop's alignment letter is not kept.
std::optional<std::vector<double>> tabStopsOf(std::string_view arg) {
  if (!arg.empty() && arg.front() == 'x') arg.remove_prefix(1);
  std::optional<std::vector<double>> stops;
  for (std::size_t start = 0; start <= arg.size();) {
    std::size_t end = arg.find(',', start);
    if (end == std::string_view::npos) end = arg.size();
    std::string_view item = arg.substr(start, end - start);
    start = end + 1;
    if (!stops) {
      if (item.empty() || item.front() != 't') continue;
      stops.emplace();
      item.remove_prefix(1);
    }
    while (!item.empty() && std::isalpha(static_cast<unsigned char>(item.front())))
      item.remove_prefix(1);
    if (auto v = model::parseDouble(item); v && *v > 0 && std::isfinite(*v)) stops->push_back(*v);
  }
  if (stops) std::sort(stops->begin(), stops->end());
  return stops;
}

struct Format {
  double height, widthFactor;
  bool underline = false, overline = false;
};

// Appends runs to the last paragraph of `paragraphs`.
class RunWriter {
 public:
  explicit RunWriter(std::vector<MTextParagraph>& paragraphs) : paragraphs_(paragraphs) {}

  void text(const std::string& s, const Format& f) {
    if (s.empty()) return;
    MTextRun r = run(MTextRun::Text, f);
    std::vector<MTextRun>& runs = paragraphs_.back().runs;
    if (!runs.empty() && runs.back().sameFormat(r)) {
      runs.back().text += s;
    } else {
      r.text = s;
      runs.push_back(std::move(r));
    }
  }
  void tab(const Format& f) { paragraphs_.back().runs.push_back(run(MTextRun::Tab, f)); }
  void stack(std::string upper, std::string lower, char kind, const Format& f) {
    MTextRun r = run(MTextRun::Stack, f);
    r.text = std::move(upper);
    r.lower = std::move(lower);
    r.stack = kind;
    paragraphs_.back().runs.push_back(std::move(r));
  }

 private:
  static MTextRun run(MTextRun::Kind kind, const Format& f) {
    MTextRun r;
    r.kind = kind;
    r.height = f.height;
    r.widthFactor = f.widthFactor;
    r.underline = f.underline;
    r.overline = f.overline;
    return r;
  }

  std::vector<MTextParagraph>& paragraphs_;
};

}  // namespace

std::vector<MTextParagraph> mtextParagraphs(std::string_view s, double height, double widthFactor) {
  std::vector<MTextParagraph> paragraphs(1);
  RunWriter out(paragraphs);
  std::vector<Format> saved;  // the formats in force outside the open braces
  Format f{height, widthFactor > 0 && std::isfinite(widthFactor) ? widthFactor : 1.0};
  TabStops tabStops;  // drawing units
  auto newParagraph = [&] { paragraphs.emplace_back().tabStops = tabStops; };
  std::string raw;
  // The codes not handled here are decoded by the plain-text reader; its paragraph breaks
  // start new paragraphs here.
  auto flush = [&] {
    if (raw.empty()) return;
    const std::string plain = geom::plainMText(raw);
    raw.clear();
    std::size_t start = 0;
    while (true) {
      const std::size_t end = plain.find('\n', start);
      out.text(plain.substr(start, end == std::string::npos ? std::string::npos : end - start), f);
      if (end == std::string::npos) break;
      newParagraph();
      start = end + 1;
    }
  };
  // A control character (a tab, a line feed; the others are not drawn).
  auto control = [&](char32_t c) {
    flush();
    if (c == U'\t') out.tab(f);
    if (c == U'\n') newParagraph();
  };
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (c == '{' || c == '}') {
      flush();
      if (c == '{') {
        saved.push_back(f);
      } else if (!saved.empty()) {
        f = saved.back();
        saved.pop_back();
      }
      ++i;
      continue;
    }
    if (c == '\t') {
      control(U'\t');
      ++i;
      continue;
    }
    if (c == '^') {
      const Caret caret = caretAt(s, i);
      if (caret.c == U'^')
        raw += '^';
      else
        control(caret.c);
      i += caret.length;
      continue;
    }
    if (c != '\\' || i + 1 >= s.size()) {
      raw += c;
      ++i;
      continue;
    }
    const char code = s[i + 1];
    auto argument = [&] {
      const std::size_t end = s.find(';', i + 2);
      const std::string_view arg =
          s.substr(i + 2, end == std::string_view::npos ? std::string_view::npos : end - (i + 2));
      i = end == std::string_view::npos ? s.size() : end + 1;
      return arg;
    };
    switch (code) {
      case 'H':
      case 'h':
        flush();
        if (auto v = sizeCode(argument(), f.height)) f.height = *v;
        break;
      case 'W':
      case 'w':
        flush();
        if (auto v = sizeCode(argument(), f.widthFactor)) f.widthFactor = *v;
        break;
      case 'L':
      case 'l':
      case 'O':
      case 'o':
        flush();
        (code == 'L' || code == 'l' ? f.underline : f.overline) = code == 'L' || code == 'O';
        i += 2;
        break;
      case 'p':
        flush();
        if (auto stops = tabStopsOf(argument())) {
          // A stop too far out to be a number in drawing units is left out.
          for (double& v : *stops) v *= height;
          std::erase_if(*stops, [](double v) { return !std::isfinite(v); });
          tabStops = TabStops(std::move(*stops));
          paragraphs.back().tabStops = tabStops;
        }
        break;
      case 'S': {
        // "upper" separator "lower" up to ';': the first of / # ^ not escaped separates (a
        // space after ^ belongs to it), an escaped character is itself.
        flush();
        std::string parts[2];
        char kind = 0;
        std::size_t j = i + 2;
        for (; j < s.size() && s[j] != ';'; ++j) {
          if (s[j] == '\\' && j + 1 < s.size()) {
            parts[kind != 0] += s[++j];
          } else if (kind == 0 && (s[j] == '/' || s[j] == '#' || s[j] == '^')) {
            kind = s[j];
            if (kind == '^' && j + 1 < s.size() && s[j + 1] == ' ') ++j;
          } else {
            parts[kind != 0] += s[j];
          }
        }
        i = j < s.size() ? j + 1 : j;
        if (kind == 0)
          out.text(geom::plainSingleLineText(parts[0]), f);
        else
          out.stack(geom::plainSingleLineText(parts[0]), geom::plainSingleLineText(parts[1]), kind,
                    f);
        break;
      }
      case '~':
        // A no-break space stays one (the plain-text reader makes it an ordinary space, at
        // which the lines would break).
        model::appendUtf8(raw, kNoBreakSpace);
        i += 2;
        break;
      default:
        // Any other code passes whole to the plain-text reader (escaped braces among them).
        raw.append(s.substr(i, 2));
        i += 2;
    }
  }
  flush();
  return paragraphs;
}

std::vector<MTextRun> singleLineRuns(std::string_view v, double widthFactor) {
  std::vector<MTextParagraph> line(1);
  RunWriter out(line);
  Format f{1.0, widthFactor};
  std::string text;
  auto flush = [&] {
    out.text(text, f);
    text.clear();
  };
  for (std::size_t i = 0; i < v.size();) {
    if (v[i] == '%' && i + 2 < v.size() && v[i + 1] == '%') {
      const char code = static_cast<char>(std::tolower(static_cast<unsigned char>(v[i + 2])));
      if (code == 'u' || code == 'o') {
        flush();
        (code == 'u' ? f.underline : f.overline) ^= true;
        i += 3;
        continue;
      }
    }
    char32_t c = static_cast<unsigned char>(v[i]);
    std::size_t length = 1;
    if (v[i] == '^') {
      const Caret caret = caretAt(v, i);
      c = caret.c;
      length = caret.length;
    }
    if (c == U'^') {
      text += '^';
    } else if (c < 0x20) {
      flush();
      if (c == U'\t') out.tab(f);
    } else {
      i = geom::plainSingleLineStep(v, i, text);
      continue;
    }
    i += length;
  }
  flush();
  return std::move(line.front().runs);
}

}  // namespace cadhost::plot
