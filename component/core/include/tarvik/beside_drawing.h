#pragma once

// A drawing that a member opens for its own work beside the drawings the caller has open.
// While it is open, AcadDoc names it; when it goes, only that drawing is closed, without
// saving, and AcadDoc is given back as the caller left it. The caller's drawings are never
// closed, saved or changed, and the one that was active is active again.

#include <cadhost/application.h>
#include <cadhost/document.h>
#include <cadhost/host_error.h>

#include <QString>
#include <optional>

#include "tarvik/cad.h"

namespace tarvik {

class BesideDrawing {
 public:
  explicit BesideDrawing(CAD& cad) : cad_(cad), previous_(cad.AcadDoc) {}
  // On the way out of a member (a stop, an early return, an error) the drawing goes too.
  ~BesideDrawing() { close(); }
  BesideDrawing(const BesideDrawing&) = delete;
  BesideDrawing& operator=(const BesideDrawing&) = delete;

  // Opens `path` and makes it AcadDoc. False, with nothing changed and the host's message in
  // `error` when given, when there is no host or it cannot open the file.
  bool open(const QString& path, bool readOnly, QString* error = nullptr) {
    if (!cad_.acadApp) {
      if (error) *error = QStringLiteral("no host application is connected");
      return false;
    }
    try {
      opened_ = cad_.acadApp->documents().open(path.toStdString(), readOnly);
    } catch (const cadhost::HostError& e) {
      if (error) *error = QString::fromUtf8(e.what());
      return false;
    }
    cad_.AcadDoc = opened_;
    return true;
  }

  bool isOpen() const { return opened_.has_value(); }
  // The opened drawing; only while isOpen().
  cadhost::Document document() const { return *opened_; }

  // Closes the opened drawing without saving and gives AcadDoc back; runs once. False, with the
  // host's message in `error` when given, when the host could not close it (it has quit, say):
  // AcadDoc is given back all the same.
  bool close(QString* error = nullptr) noexcept {
    if (!opened_) return true;
    bool closed = true;
    try {
      opened_->close(false);
    } catch (const cadhost::HostError& e) {
      closed = false;
      if (error) *error = QString::fromUtf8(e.what());
    }
    opened_.reset();
    cad_.AcadDoc = previous_;
    return closed;
  }

 private:
  CAD& cad_;
  std::optional<cadhost::Document> previous_;
  std::optional<cadhost::Document> opened_;
};

}  // namespace tarvik
