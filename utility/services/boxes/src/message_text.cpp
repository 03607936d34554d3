#include "message_text.h"

#include <QPainter>
#include <QTextLayout>
#include <cmath>

namespace mobrel::skin {

namespace {

// The text as laid out: a zero-width space after each path separator that has text after it
// gives the line breaker a place to break there.
QStringList paragraphsOf(const QString& text) {
  QString shown;
  shown.reserve(text.size() + text.size() / 8);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == u'\r') continue;
    shown += c;
    const bool separator = c == u'/' || c == u'\\' || c == u'_';
    if (separator && i + 1 < text.size() && !text[i + 1].isSpace()) shown += QChar(0x200B);
  }
  return shown.split(u'\n');
}

}  // namespace

MessageText::MessageText(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

int MessageText::layOut(qreal width, QPainter* painter, qreal* widest) const {
  QTextOption option(Qt::AlignLeft);
  option.setWrapMode(width < 0 ? QTextOption::NoWrap : QTextOption::WrapAtWordBoundaryOrAnywhere);
  const qreal spacing = fontMetrics().lineSpacing();
  qreal y = 0;
  if (widest != nullptr) *widest = 0;
  for (const QString& paragraph : paragraphsOf(text())) {
    QTextLayout layout(paragraph, font());
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width < 0 ? 1e6 : width);
      line.setPosition(QPointF(0, y));
      y += spacing;
      if (widest != nullptr) *widest = std::max(*widest, line.naturalTextWidth());
    }
    layout.endLayout();
    if (painter != nullptr) layout.draw(painter, QPointF(0, 0));
  }
  return int(std::ceil(y));
}

int MessageText::heightFor(int width) const {
  return layOut(width, nullptr);
}

int MessageText::naturalWidth() const {
  qreal widest = 0;
  layOut(-1, nullptr, &widest);
  return int(std::ceil(widest));
}

void MessageText::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  layOut(width(), &painter);
}

}  // namespace mobrel::skin
