#include "plot/mtext_lines.h"

#include <cmath>
#include <optional>

#include "geom/text_metrics.h"
#include "geom/wildcard.h"
#include "model/tags.h"
#include "model/utf8.h"

namespace cadhost::plot {

namespace {

// The height an "\H" argument sets ("2.5" or "0.7x"); nullopt when it is not a usable number.
std::optional<double> heightCode(std::string_view arg, double current) {
  bool relative = false;
  if (!arg.empty() && (arg.back() == 'x' || arg.back() == 'X')) {
    relative = true;
    arg.remove_suffix(1);
  }
  const std::optional<double> v = model::parseDouble(arg);
  if (!v || !(*v > 0) || !std::isfinite(*v)) return std::nullopt;
  const double h = relative ? current * *v : *v;
  if (!(h > 0) || !std::isfinite(h)) return std::nullopt;
  return h;
}

constexpr char32_t kNoBreakSpace = 0xA0;

struct Char {
  char32_t c;
  double height;
};

// A no-break space is measured and drawn as a space of the font.
char32_t drawnAs(char32_t c) {
  return c == kNoBreakSpace ? U' ' : c;
}

}  // namespace

std::vector<std::vector<MTextRun>> mtextParagraphs(std::string_view s, double height) {
  std::vector<std::vector<MTextRun>> paragraphs(1);
  std::vector<double> saved;  // heights in force outside the open braces
  double h = height;
  std::string raw;
  // The formatting codes other than heights and braces are decoded by the plain-text reader;
  // its paragraph breaks start new paragraphs here.
  auto flush = [&] {
    if (raw.empty()) return;
    const std::string plain = geom::plainMText(raw);
    raw.clear();
    std::size_t start = 0;
    while (true) {
      const std::size_t end = plain.find('\n', start);
      const std::string part =
          plain.substr(start, end == std::string::npos ? std::string::npos : end - start);
      std::vector<MTextRun>& runs = paragraphs.back();
      if (!part.empty() && !runs.empty() && runs.back().height == h)
        runs.back().text += part;
      else if (!part.empty())
        runs.push_back({part, h});
      if (end == std::string::npos) break;
      paragraphs.emplace_back();
      start = end + 1;
    }
  };
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (c == '{' || c == '}') {
      flush();
      if (c == '{') {
        saved.push_back(h);
      } else if (!saved.empty()) {
        h = saved.back();
        saved.pop_back();
      }
      ++i;
      continue;
    }
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == 'H' || s[i + 1] == 'h')) {
      flush();
      const std::size_t end = s.find(';', i + 2);
      const std::string_view arg =
          s.substr(i + 2, end == std::string_view::npos ? std::string_view::npos : end - (i + 2));
      if (auto v = heightCode(arg, h)) h = *v;
      i = end == std::string_view::npos ? s.size() : end + 1;
      continue;
    }
    // A no-break space stays one (the plain-text reader makes it an ordinary space, at which
    // the lines would break).
    if (c == '\\' && i + 1 < s.size() && s[i + 1] == '~') {
      model::appendUtf8(raw, kNoBreakSpace);
      i += 2;
      continue;
    }
    // Any other code passes whole to the plain-text reader (escaped braces among them).
    if (c == '\\' && i + 1 < s.size()) {
      raw.append(s.substr(i, 2));
      i += 2;
      continue;
    }
    raw += c;
    ++i;
  }
  flush();
  return paragraphs;
}

std::vector<MTextLine> wrapMText(const std::vector<std::vector<MTextRun>>& paragraphs,
                                 double height, double width, const AdvanceOf& advance) {
  std::vector<MTextLine> lines;
  double lastHeight = height;
  for (const auto& paragraph : paragraphs) {
    std::vector<Char> text;
    for (const MTextRun& run : paragraph)
      for (char32_t c : geom::decodeUtf8(run.text)) text.push_back({c, run.height});
    if (text.empty()) {
      lines.push_back({{}, lastHeight});
      continue;
    }
    // The line of text[from, to): runs of one height each.
    auto emit = [&](std::size_t from, std::size_t to) {
      MTextLine line;
      for (std::size_t i = from; i < to; ++i) {
        if (line.runs.empty() || line.runs.back().height != text[i].height)
          line.runs.push_back({{}, text[i].height});
        model::appendUtf8(line.runs.back().text, drawnAs(text[i].c));
        line.height = std::max(line.height, text[i].height);
      }
      if (line.runs.empty()) line.height = text[from < text.size() ? from : 0].height;
      lastHeight = line.height;
      lines.push_back(std::move(line));
    };
    auto breakBefore = [&](std::size_t i) {
      return text[i - 1].c == U' ' || geom::isFullWidth(text[i].c) ||
             geom::isFullWidth(text[i - 1].c);
    };
    std::size_t start = 0;
    while (start < text.size()) {
      double w = 0;
      std::size_t cut = std::string::npos;
      std::size_t i = start;
      for (; i < text.size(); ++i) {
        if (i > start && breakBefore(i)) cut = i;
        const double cw = advance(drawnAs(text[i].c), text[i].height);
        // Spaces may hang past the width.
        if (width > 0 && w + cw > width * (1 + 1e-9) && i > start && text[i].c != U' ' &&
            cut != std::string::npos)
          break;
        w += cw;
      }
      if (i >= text.size()) {
        emit(start, text.size());
        break;
      }
      std::size_t end = cut;
      while (end > start && text[end - 1].c == U' ') --end;
      emit(start, end);
      start = cut;
      while (start < text.size() && text[start].c == U' ') ++start;
    }
  }
  return lines;
}

}  // namespace cadhost::plot
