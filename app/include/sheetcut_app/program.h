#pragma once

// mMain: start-up, the settings store and shut-down. Start-up makes sure only one copy runs,
// creates the utility object and the component, fills the settings store and opens the main
// window; shut-down releases them in reverse order. Both library objects come from factories,
// so a test can start the program with its own.

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

#include "sheetcut_app/program_services.h"
#include "sheetcut_app/run_settings.h"
#include "sheetcut_app/single_instance.h"
#include "sheetcut_app/split_component.h"

class QWidget;

namespace sheetcut::app {

class MainWindow;

struct ProgramParts {
  std::function<std::unique_ptr<ProgramServices>()> makeApi;
  std::function<std::unique_ptr<SplitComponent>()> makeCad;
  // The system message box of start-up (information icon); QMessageBox when unset.
  std::function<void(const QString& text, const QString& title)> systemBox;
  QString programFolder;        // "" for the folder of the program file
  QString lockFolder;           // "" for the user's runtime folder
  std::function<void()> onEnd;  // called when the program has ended; exits the event loop
};

class Program {
 public:
  explicit Program(ProgramParts parts);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Start-up. False when the program ended there: another copy runs, or a library object
  // could not be created (the message has been shown).
  bool Main();

  QVariant GetSetting(const QString& key) const { return settings_.GetSetting(key); }
  void SetSetting(const QString& key, const QVariant& value) { settings_.SetSetting(key, value); }

  // Ends the program: the main window closes without asking, the objects are released.
  void QuitApp();

  MainWindow* mainWindow() const { return main_.get(); }
  bool ended() const { return ended_; }

 private:
  void systemBox(const QString& text, const QString& title);

  ProgramParts parts_;
  SingleInstance instance_;
  RunSettings settings_;
  std::unique_ptr<ProgramServices> api_;
  std::unique_ptr<SplitComponent> cad_;
  std::unique_ptr<QWidget> frmQuit_;
  std::unique_ptr<MainWindow> main_;
  bool ended_ = false;
};

}  // namespace sheetcut::app
