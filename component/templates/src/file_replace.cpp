#include "tarvik/file_replace.h"

#include <sheetcut/error.h>

#include <QSaveFile>

namespace tarvik {

void replaceFile(const QString& path, const QByteArray& data, const char* source) {
  QSaveFile file(path);
  // Never write through to the target: without the temporary file a failed write would leave
  // the template's file cut short.
  file.setDirectWriteFallback(false);
  const auto fail = [&](const char* what) {
    throw sheetcut::Error(sheetcut::errnum::kPathNotFound,
                          std::string("Cannot ") + what + " \"" + path.toStdString() +
                              "\": " + file.errorString().toStdString(),
                          source);
  };
  if (!file.open(QIODevice::WriteOnly)) fail("create");
  if (file.write(data) != data.size()) {
    file.cancelWriting();
    fail("write");
  }
  if (!file.commit()) fail("replace");
}

}  // namespace tarvik
