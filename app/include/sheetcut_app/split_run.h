#pragma once

// The split run: checks the output folder, stores the choices in "cfg.ini", connects the
// component to the host and splits every listed drawing in turn, showing each row's picture
// and times and a status text. A drawing in which the component finds no frame gets the
// picture "none" and the run goes on; the closing status text counts such drawings apart.
// Choices that cannot be stored stop nothing (see ConfigFile). Holds no widget, so a test can
// drive it headless.

#include <QString>
#include <functional>

#include "sheetcut_app/file_list.h"
#include "sheetcut_app/program_config.h"
#include "sheetcut_app/program_services.h"
#include "sheetcut_app/split_component.h"

class QWidget;

namespace sheetcut::app {

// The window's choices at the moment the run starts; the run keeps them to its end.
struct RunChoices {
  SaveMode mode = SaveMode::OwnFolder;
  QString folder;      // the folder box's text
  QString formatText;  // the selected drawing-number format
};

class SplitRun {
 public:
  SplitRun(FileList& list, ProgramServices& api, SplitComponent& cad, ConfigFile& config);

  QWidget* owner = nullptr;                            // parent of the dialogs it shows
  std::function<void(const QString&)> onStatus;        // the status bar's text
  std::function<void(const QString&)> onFolderChosen;  // a folder the user picked for the run
  std::function<void(bool)> onWaitCursor;              // on while the drawings are split
  std::function<QString()> clock;                      // the current time as "HH:mm:ss"

  // The whole run; returns when it ended (done, stopped at a check, or failed).
  void StartSplit(const RunChoices& choices);
  bool running() const { return running_; }
  // Ends the run after the drawing being split; later rows are not started.
  void stopAfterCurrent() { stopRequested_ = true; }

 private:
  bool chooseOutFolder(QString& folder);
  // Answers how many rows had no frame.
  int splitRows(const QString& outFolder, SaveMode mode);
  void fail(int rows, const QString& description);
  void status(const QString& text);
  void waitCursor(bool on);
  QString now() const;

  FileList& list_;
  ProgramServices& api_;
  SplitComponent& cad_;
  ConfigFile& config_;
  bool running_ = false;
  bool stopRequested_ = false;
  bool waitCursor_ = false;
};

}  // namespace sheetcut::app
