#include "skin_pieces.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace mobrel::skin {

namespace {

const QColor kFrame(73, 114, 179);
const QColor kTitleTop(229, 240, 253);
const QColor kTitleBottom(176, 204, 238);
const QColor kEdge(168, 198, 234);
constexpr qreal kCorner = 5;

void fillTitle(QPainter& p, const QRect& r) {
  QLinearGradient g(0, 0, 0, r.height());
  g.setColorAt(0, kTitleTop);
  g.setColorAt(0.55, kTitleBottom);
  g.setColorAt(1, kBackground);
  p.fillRect(r, g);
}

void fillBottom(QPainter& p, const QRect& r) {
  QLinearGradient g(0, 0, 0, r.height());
  g.setColorAt(0, kBackground);
  g.setColorAt(1, kEdge);
  p.fillRect(r, g);
}

// A frame line along one side of the piece, drawn one pixel inside it.
void frameLine(QPainter& p, const QRect& r, Qt::Edge edge) {
  p.setPen(QPen(kFrame, 1));
  switch (edge) {
    case Qt::LeftEdge:
      p.drawLine(r.topLeft(), r.bottomLeft());
      break;
    case Qt::RightEdge:
      p.drawLine(r.topRight(), r.bottomRight());
      break;
    case Qt::TopEdge:
      p.drawLine(r.topLeft(), r.topRight());
      break;
    case Qt::BottomEdge:
      p.drawLine(r.bottomLeft(), r.bottomRight());
      break;
  }
}

// Cuts a rounded corner out of the piece, so the window's background shows through.
void roundCorner(QPainter& p, const QRect& r, Qt::Corner corner) {
  const bool left = corner == Qt::TopLeftCorner || corner == Qt::BottomLeftCorner;
  const bool top = corner == Qt::TopLeftCorner || corner == Qt::TopRightCorner;
  const QRectF box(left ? r.left() : r.right() - 2 * kCorner + 1,
                   top ? r.top() : r.bottom() - 2 * kCorner + 1, 2 * kCorner, 2 * kCorner);
  QPainterPath outside;
  outside.addRect(QRectF(left ? box.left() : box.center().x(), top ? box.top() : box.center().y(),
                         kCorner, kCorner));
  QPainterPath arc;
  arc.addEllipse(box);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.fillPath(outside.subtracted(arc), Qt::transparent);
  p.setPen(QPen(kFrame, 1));
  p.drawArc(box.adjusted(0.5, 0.5, -0.5, -0.5), left ? (top ? 90 : 180) * 16 : (top ? 0 : 270) * 16,
            90 * 16);
  p.restore();
}

enum class Side { Left, None, Right };

// A piece of the title bar (top) or of the bottom edge: its fill, the frame line along the
// window's outer edge and, for an end piece, along the window's side with a rounded corner.
void paintBand(QPainter& p, const QRect& r, bool top, Side side) {
  if (top)
    fillTitle(p, r);
  else
    fillBottom(p, r);
  frameLine(p, r, top ? Qt::TopEdge : Qt::BottomEdge);
  if (side == Side::None) return;
  const bool left = side == Side::Left;
  frameLine(p, r, left ? Qt::LeftEdge : Qt::RightEdge);
  roundCorner(p, r,
              top ? (left ? Qt::TopLeftCorner : Qt::TopRightCorner)
                  : (left ? Qt::BottomLeftCorner : Qt::BottomRightCorner));
}

}  // namespace

QFont boxFont(bool bold) {
  QFont font;
  font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Serif CJK SC")});
  font.setPointSize(9);
  font.setBold(bold);
  return font;
}

Piece::Piece(Kind kind, const char* name, QWidget* parent) : QWidget(parent), kind_(kind) {
  setObjectName(QLatin1String(name));
  setAttribute(Qt::WA_TranslucentBackground,
               kind == Kind::Close || kind == Kind::TitleIcon || kind == Kind::MessageIcon);
}

void Piece::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  switch (kind_) {
    case Kind::TitleLeft:
      paintBand(p, r, true, Side::Left);
      break;
    case Kind::TitleMain:
      paintBand(p, r, true, Side::None);
      break;
    case Kind::TitleRight:
      paintBand(p, r, true, Side::Right);
      break;
    case Kind::WindowLeft:
    case Kind::WindowRight: {
      QLinearGradient g(0, 0, r.width(), 0);
      g.setColorAt(kind_ == Kind::WindowLeft ? 0 : 1, kEdge);
      g.setColorAt(kind_ == Kind::WindowLeft ? 1 : 0, kBackground);
      p.fillRect(r, g);
      frameLine(p, r, kind_ == Kind::WindowLeft ? Qt::LeftEdge : Qt::RightEdge);
      break;
    }
    case Kind::WindowBottomLeft:
      paintBand(p, r, false, Side::Left);
      break;
    case Kind::WindowBottom:
      paintBand(p, r, false, Side::None);
      break;
    case Kind::WindowBottomRight:
      paintBand(p, r, false, Side::Right);
      break;
    case Kind::Close: {
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(QPen(kFrame, 1));
      p.setBrush(kTitleTop);
      p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
      p.setPen(QPen(kTitleText, 1.6, Qt::SolidLine, Qt::RoundCap));
      const QRectF x = QRectF(r).adjusted(4.5, 4.5, -4.5, -4.5);
      p.drawLine(x.topLeft(), x.bottomRight());
      p.drawLine(x.topRight(), x.bottomLeft());
      break;
    }
    case Kind::TitleIcon: {
      // A drawing sheet: a white page with a frame and a title block.
      p.setPen(QPen(kTitleText, 1));
      p.setBrush(Qt::white);
      p.drawRect(r.adjusted(1, 1, -2, -2));
      p.drawRect(r.adjusted(3, 3, -4, -4));
      p.fillRect(QRect(r.right() - 8, r.bottom() - 6, 5, 3), kTitleText);
      break;
    }
    case Kind::MessageIcon: {
      p.setRenderHint(QPainter::Antialiasing);
      QRadialGradient g(r.center() - QPointF(4, 4), r.width() * 0.7);
      g.setColorAt(0, QColor(96, 150, 230));
      g.setColorAt(1, kOutlineNormal);
      p.setPen(Qt::NoPen);
      p.setBrush(g);
      p.drawEllipse(QRectF(r).adjusted(1, 1, -1, -1));
      p.setBrush(Qt::white);
      const qreal cx = r.width() / 2.0;
      p.drawEllipse(QPointF(cx, r.height() * 0.27), 2.2, 2.2);
      p.drawRoundedRect(QRectF(cx - 2, r.height() * 0.4, 4, r.height() * 0.38), 1.5, 1.5);
      break;
    }
    case Kind::Line:
      p.fillRect(r, kLine);
      break;
  }
}

ButtonShape::ButtonShape(const char* name, QWidget* parent) : QWidget(parent) {
  setObjectName(QLatin1String(name));
  setAttribute(Qt::WA_TranslucentBackground);
  setOutline(kOutlineNormal);
}

void ButtonShape::setOutline(const QColor& colour) {
  outline_ = colour;
  setProperty("BorderColor", colour);
  update();
}

void ButtonShape::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(outline_, 1));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
}

ButtonLabel::ButtonLabel(const QString& text, const char* name, QWidget* parent)
    : QLabel(text, parent) {
  setObjectName(QLatin1String(name));
  setFont(boxFont());
  setMouseTracking(true);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
  setColour(kTextNormal);
}

void ButtonLabel::setColour(const QColor& colour) {
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, colour);
  setPalette(pal);
}

void ButtonLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(colour());
  p.setFont(font());
  p.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, text());
  if (hasFocus()) {
    QPen dotted(colour(), 1, Qt::DotLine);
    p.setPen(dotted);
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void ButtonLabel::focusInEvent(QFocusEvent* event) {
  QLabel::focusInEvent(event);
  update();
}

void ButtonLabel::focusOutEvent(QFocusEvent* event) {
  QLabel::focusOutEvent(event);
  update();
}

}  // namespace mobrel::skin
