#include "mobrel/window_top.h"

#include <QWidget>

namespace mobrel {

void SetTopMost(QWidget* window, bool onTop) {
  if (!window) return;
  QWidget* top = window->window();
  if (top->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
  const bool visible = top->isVisible();
  const QRect geometry = top->geometry();
  top->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  if (visible) {
    top->setGeometry(geometry);
    top->show();
  }
}

}  // namespace mobrel
