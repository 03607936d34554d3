// Window and folder helpers.

#include "tarvik/form_ctrl.h"

#include <filesystem>

#include <QFile>
#include <QWidget>

namespace tarvik::FormCtrl {

void SetTopMost(QWidget* window, bool topMost) {
  if (window == nullptr) return;
  if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topMost) return;
  // Changing a window flag hides the window; show it again when it was shown.
  const bool wasVisible = window->isVisible();
  window->setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
  if (wasVisible) window->show();
}

void MakeDir(const QString& path) {
  QString full = path;
  if (!full.endsWith(u'/')) full += u'/';
  // Create every prefix that ends at a "/", left to right, ignoring each result.
  for (qsizetype i = full.indexOf(u'/'); i >= 0; i = full.indexOf(u'/', i + 1)) {
    const QString prefix = full.left(i + 1);
    if (prefix == QStringLiteral("//")) continue;
    std::error_code ec;
    std::filesystem::create_directory(QFile::encodeName(prefix).toStdString(), ec);
  }
}

}  // namespace tarvik::FormCtrl
