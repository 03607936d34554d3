#include "sheetcut_app/program_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace sheetcut::app {

namespace {

QImage blank(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

// A round badge in `fill` with a darker rim, scaled so that the picture is 16 units wide.
void badge(QPainter& p, const QColor& fill) {
  p.setPen(QPen(fill.darker(140), 1.0));
  p.setBrush(fill);
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
}

}  // namespace

QString statusPictureFile(StatusPicture kind) {
  switch (kind) {
    case StatusPicture::Doing:
      return QStringLiteral("go.gif");
    case StatusPicture::Ok:
      return QStringLiteral("ok.gif");
    case StatusPicture::Failure:
      return QStringLiteral("faliure.gif");
    case StatusPicture::NoFrame:
      return QStringLiteral("noframe.gif");
  }
  return {};
}

QImage drawStatusPicture(StatusPicture kind, int size) {
  QImage image = blank(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  QPen mark(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  switch (kind) {
    case StatusPicture::Doing: {  // a blue badge with a play arrow
      badge(p, QColor(52, 120, 214));
      QPainterPath arrow;
      arrow.moveTo(6.3, 4.6);
      arrow.lineTo(11.4, 8.0);
      arrow.lineTo(6.3, 11.4);
      arrow.closeSubpath();
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      p.drawPath(arrow);
      break;
    }
    case StatusPicture::Ok: {  // a green badge with a tick
      badge(p, QColor(46, 160, 67));
      p.setPen(mark);
      p.setBrush(Qt::NoBrush);
      p.drawPolyline(QPolygonF({QPointF(4.6, 8.3), QPointF(7.0, 10.7), QPointF(11.4, 5.6)}));
      break;
    }
    case StatusPicture::Failure: {  // a red badge with a cross
      badge(p, QColor(212, 56, 50));
      p.setPen(mark);
      p.drawLine(QPointF(5.4, 5.4), QPointF(10.6, 10.6));
      p.drawLine(QPointF(10.6, 5.4), QPointF(5.4, 10.6));
      break;
    }
    case StatusPicture::NoFrame: {  // an amber badge with a dash: nothing to split
      badge(p, QColor(226, 160, 32));
      p.setPen(mark);
      p.drawLine(QPointF(4.8, 8.0), QPointF(11.2, 8.0));
      break;
    }
  }
  return image;
}

QImage drawProgramIcon(int size) {
  QImage image = blank(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  // A drawing sheet with a title block, cut in two by a dashed line.
  p.setPen(QPen(QColor(60, 60, 60), 1.2));
  p.setBrush(QColor(250, 250, 245));
  p.drawRect(QRectF(3, 6, 26, 20));
  p.setBrush(QColor(200, 214, 235));
  p.drawRect(QRectF(20, 20, 8, 5));
  p.drawRect(QRectF(7, 20, 8, 5));
  p.setPen(QPen(QColor(212, 56, 50), 1.6, Qt::DashLine));
  p.drawLine(QPointF(16, 3), QPointF(16, 29));
  return image;
}

QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) icon.addPixmap(QPixmap::fromImage(drawProgramIcon(size)));
  return icon;
}

}  // namespace sheetcut::app
