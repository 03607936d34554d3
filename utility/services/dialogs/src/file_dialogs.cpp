#include "mobrel/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

namespace mobrel {

namespace {

// The folder part of a path up to and including its last "/".
QString folderOf(const QString& path) {
  return path.left(path.lastIndexOf(u'/') + 1);
}

// The folder dialog. Its name box reads '"' as the start or end of one of several quoted
// names, so a folder whose name holds one (typed, or filled in by a click on it) would be read
// as some other folder. The box's text is first taken as one path; only when no folder has
// that path does the dialog read it its own way.
class FolderDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

  QString chosen() const {
    if (!asTyped_.isEmpty()) return asTyped_;
    return selectedFiles().isEmpty() ? QString() : QDir::cleanPath(selectedFiles().front());
  }

  void accept() override {
    const auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString text = name != nullptr ? name->text() : QString();
    if (text.contains(u'"')) {
      const QString path = QDir::cleanPath(directory().absoluteFilePath(text));
      if (QFileInfo(path).isDir()) {
        asTyped_ = path;
        QDialog::accept();
        return;
      }
    }
    asTyped_.clear();
    QFileDialog::accept();
  }

 private:
  QString asTyped_;
};

}  // namespace

DlgFileInfo SplitDlgFileList(const QStringList& fullPaths) {
  DlgFileInfo info;
  if (fullPaths.isEmpty()) return info;
  QString common = folderOf(fullPaths.front());
  for (const QString& path : fullPaths) {
    while (!path.startsWith(common)) common = folderOf(common.chopped(1));
  }
  info.sPath = common;
  info.sFile.append(QString());
  for (const QString& path : fullPaths) info.sFile.append(path.mid(common.size()));
  info.iCount = static_cast<int>(fullPaths.size());
  return info;
}

QStringList translateFileFilter(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList result;
  for (qsizetype i = 0; i + 1 <= parts.size(); i += 2) {
    const QString description = parts[i];
    QStringList patterns =
        i + 1 < parts.size() ? parts[i + 1].split(u';', Qt::SkipEmptyParts) : QStringList();
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    }
    patterns.removeAll(QString());
    if (patterns.isEmpty()) patterns.append(QStringLiteral("*"));
    if (description.isEmpty() && i + 1 >= parts.size()) continue;  // a trailing "|"
    result.append(QStringLiteral("%1 (%2)").arg(description, patterns.join(u' ')));
  }
  if (result.isEmpty()) result.append(QStringLiteral("* (*)"));
  return result;
}

DlgFileInfo ShowOpenFileDlg(const QString& title, const QString& filter, const QString& initDir,
                            bool isMultFiles, QWidget* owner) {
  QFileDialog dialog(owner, title, initDir);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(isMultFiles ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  dialog.setNameFilters(translateFileFilter(filter));
  dialog.setObjectName(QStringLiteral("openFileDialog"));
  if (dialog.exec() != QDialog::Accepted) return DlgFileInfo{};
  return SplitDlgFileList(dialog.selectedFiles());
}

QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startDir,
                        bool isNewFolder) {
  FolderDialog dialog(owner, title, startDir);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setOption(QFileDialog::ReadOnly, !isNewFolder);
  dialog.setObjectName(QStringLiteral("folderDialog"));
  if (dialog.exec() != QDialog::Accepted) return QString();
  return dialog.chosen();
}

}  // namespace mobrel
