// The program's services over the utility library's API object.

#include <mobrel/api.h>

#include "sheetcut_app/desktop_opener.h"
#include "sheetcut_app/program_services.h"

namespace sheetcut::app {

namespace {

class ApiServices : public ProgramServices {
 public:
  ChosenFiles SelectFiles(QWidget* owner, const QString& filter, bool isMultFiles,
                          const QString& title, const QString& initDir) override {
    const mobrel::DlgFileInfo info = api_.SelectFiles(owner, filter, isMultFiles, title, initDir);
    ChosenFiles chosen;
    chosen.sPath = info.sPath;
    for (int i = 1; i <= info.iCount && i < info.sFile.size(); ++i) chosen.names << info.sFile[i];
    return chosen;
  }

  QString SelectFolder(QWidget* owner, const QString& title, const QString& startDir,
                       bool isNewFolder) override {
    return api_.SelectFolder(owner, title, startDir, isNewFolder);
  }

  FolderFiles FindFolderFiles(const QString& folder, const QString& filter) override {
    QString searchPath = folder;
    FolderFiles found;
    QStringList dirs;
    api_.FindFolderSubObjs(searchPath, filter, found.entries, dirs, false, &found.skipped);
    return found;
  }

  QString GetINIKeyValue(const QString& iniPath, const QString& sect, const QString& key) override {
    return api_.GetINIKeyValue(iniPath, sect, key);
  }
  void SetINIKeyValue(const QString& iniPath, const QString& sect, const QString& key,
                      const QString& value) override {
    api_.SetINIKeyValue(iniPath, sect, key, value);
  }
  void DeleteINIKey(const QString& iniPath, const QString& sect, const QString& key) override {
    api_.DeleteINIKey(iniPath, sect, key);
  }

  bool FolderExist(const QString& folder) override { return api_.FolderExist(folder); }
  void SetWindowOnTop(QWidget* window, bool onTop) override { api_.SetWindowOnTop(window, onTop); }

  void Alert(const QString& text, const QString& title) override { api_.Alert(text, title); }
  bool Confirm(const QString& text, const QString& btnCls, const QString& title) override {
    return api_.Confirm(text, btnCls, title);
  }
  void ShowErr(long number, const QString& description, const QString& subName) override {
    mobrel::ErrObject error(number, description);
    api_.ShowErr(error, subName);
  }

  void openFolder(const QString& folder, std::function<void()> onNoProgram) override {
    opener_.open(folder, std::move(onNoProgram));
  }
  void openDocument(const QString& file, std::function<void()> onNoProgram) override {
    opener_.open(file, std::move(onNoProgram));
  }

 private:
  mobrel::API api_;
  DesktopOpener opener_;
};

}  // namespace

std::unique_ptr<ProgramServices> makeApiServices() {
  return std::make_unique<ApiServices>();
}

}  // namespace sheetcut::app
