#include "tarvik/recognition/text_words.h"

#include <cadhost/host_error.h>

#include "tarvik/attempt.h"
#include "tarvik/cad.h"
#include "tarvik/utf8_offsets.h"

namespace tarvik {

namespace {

double boxWidth(const cadhost::Entity& e) {
  cadhost::Point3 lo, hi;
  e.getBoundingBox(lo, hi);
  return hi.x - lo.x;
}

// Deletes the temporary text on every path.
class ScratchText {
 public:
  explicit ScratchText(cadhost::Entity e) : e_(std::move(e)) {}
  ~ScratchText() {
    attempt([&] { e_.erase(); });
  }
  ScratchText(const ScratchText&) = delete;
  ScratchText& operator=(const ScratchText&) = delete;
  cadhost::Entity& operator*() { return e_; }

 private:
  cadhost::Entity e_;
};

}  // namespace

std::vector<TextType> splitTextWords(const CAD& cad, cadhost::Document doc,
                                     const cadhost::Entity& text) {
  std::vector<TextType> words(1);
  const QString raw = QString::fromStdString(text.textString());
  const QString s = text.objectName() == "AcDbText" ? raw : cad.GetMTextStr(raw);
  cadhost::Point3 lo, hi;
  text.getBoundingBox(lo, hi);
  const double H = text.height();
  const double Y = lo.y;
  const QChar space(QLatin1Char(' '));
  if (!s.contains(space)) {
    words.push_back({lo.x, hi.x, H, Y, s});
    return words;
  }
  if (s.count(space) == s.size()) return words;  // only spaces: no word, no scratch text
  const double Wt = hi.x - lo.x;
  const double left = lo.x;
  const qsizetype n = s.size();
  ScratchText scratch(doc.modelSpace().addText(s.toStdString(), text.insertionPoint(), H));
  (*scratch).setStyleName(text.styleName());
  (*scratch).update();
  const double Wm = boxWidth(*scratch);
  if (!(Wm > 0) || !(Wt > 0)) return words;  // nothing to scale by: no words
  const double k = Wt / Wm;
  // The words' first and one-past-last positions.
  std::vector<std::pair<qsizetype, qsizetype>> spans;
  const QString work = s + space;
  qsizetype start = 0;  // 0-based index where the current word starts
  for (qsizetype p = 0; p < n; ++p) {
    if (work[p] == space) {
      start = p + 1;
      continue;
    }
    if (work[p + 1] == space) spans.emplace_back(start, p + 1);
  }
  // A word's right end: the width of the text up to it, all measured at once on the text.
  const std::vector<std::size_t> bytes = utf8Offsets(s);
  std::vector<std::size_t> ends;
  ends.reserve(spans.size());
  for (const auto& span : spans) ends.push_back(bytes[static_cast<std::size_t>(span.second)]);
  const std::vector<double> upTo = (*scratch).prefixWidths(ends);
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const auto [from, to] = spans[i];
    TextType w{0, 0, H, Y, s.mid(from, to - from)};
    w.XR = left + k * upTo[i];
    (*scratch).setTextString(w.s.toStdString());
    (*scratch).update();
    w.XL = w.XR - k * boxWidth(*scratch);
    words.push_back(std::move(w));
  }
  return words;
}

TextLevelled::TextLevelled(cadhost::Entity text) : text_(std::move(text)) {
  if (!attemptGet(ip_, [&] { return text_.insertionPoint(); })) return;
  if (!attemptGet(rotation_, [&] { return text_.rotation(); }) || rotation_ == 0) return;
  turned_ = attempt([&] {
    text_.rotate(ip_, -rotation_);
    text_.update();
  });
}

TextLevelled::~TextLevelled() {
  if (turned_) {
    attempt([&] {
      text_.rotate(ip_, rotation_);
      text_.update();
    });
  }
}

}  // namespace tarvik
