#include "mobrel/skin_layout.h"

#include <QVariant>
#include <QWidget>

#include "sheetcut/error.h"

namespace mobrel {

namespace {

QWidget* piece(QWidget* window, const char* name) {
  auto* w = window->findChild<QWidget*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
  if (!w) {
    throw sheetcut::Error(sheetcut::errnum::kGeneric,
                          std::string("Control '") + name + "' not found", "LayoutSkin");
  }
  return w;
}

int tagOf(QWidget* w) {
  return w->property("Tag").toString().toInt();
}

}  // namespace

void LayoutSkin(QWidget* window) {
  const int W = window->width();
  const int H = window->height();
  QWidget* title = piece(window, "lblTitle");
  QWidget* titleLeft = piece(window, "imgTitleLeft");
  QWidget* titleRight = piece(window, "imgTitleRight");
  QWidget* titleMain = piece(window, "imgTitleMain");
  QWidget* left = piece(window, "imgWindowLeft");
  QWidget* right = piece(window, "imgWindowRight");
  QWidget* bottomLeft = piece(window, "imgWindowBottomLeft");
  QWidget* bottom = piece(window, "imgWindowBottom");
  QWidget* bottomRight = piece(window, "imgWindowBottomRight");
  QWidget* close = piece(window, "imgClose");

  title->move(title->x(), tagOf(title));
  titleLeft->move(0, 0);
  titleRight->move(W - titleRight->width(), 0);
  titleMain->setGeometry(8, 0, W - 18, titleMain->height());
  left->setGeometry(0, 25, left->width(), H - 8);
  right->setGeometry(W - right->width(), 8, right->width(), H - 8);
  bottomLeft->move(0, H - bottomLeft->height());
  bottom->setGeometry(22, H - bottomLeft->height(), W - 8, bottom->height());
  bottomRight->move(W - bottomRight->width(), H - bottomLeft->height());
  close->move(W - 22, tagOf(close));
}

}  // namespace mobrel
