#pragma once

// frmMain, the program's working window: menus, toolbar and status bar, the output-folder
// panel and the grid of drawings. Every command goes through ab_ToolClick by its tool name.

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <functional>

#include "sheetcut_app/file_list.h"
#include "sheetcut_app/format_editor.h"
#include "sheetcut_app/program_config.h"
#include "sheetcut_app/program_services.h"
#include "sheetcut_app/run_settings.h"
#include "sheetcut_app/split_component.h"
#include "sheetcut_app/split_run.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableView;
class QToolButton;

namespace sheetcut::app {

struct MainWindowParts {
  ProgramServices& api;
  SplitComponent& cad;
  RunSettings& settings;
  QString programFolder;       // holds "ico/" and "help.pdf"
  std::function<void()> quit;  // ends the program (unloads the hidden quit form)
};

class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(MainWindowParts parts);
  ~MainWindow() override;

  // The tool-click dispatcher of every band; unknown names do nothing. Commands that would
  // disturb a running split are refused while it runs.
  void ab_ToolClick(const QString& name);
  // Fills the format list, and with flag also the output folder and the save mode, from
  // "cfg.ini". The format chosen in the list stays chosen when the new list still holds it.
  void LoadConfigInfo(bool flag);
  QString GetDwgIDMask() const;
  // Opens the folder the row's last split wrote into, or for a row no run has split yet the one
  // the save mode and the folder box name (the grid's double-click).
  void openOutputFolder(int row);

  FileList& fileList() { return list_; }
  bool isRunning() const { return run_.running(); }
  QString statusText() const;
  QString iniPath() const { return iniPath_; }
  FormatEditor* formatEditor() const { return editor_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void dispatch(const QString& name);
  void buildBands();
  QWidget* buildFolderPanel();
  void InitGrid();
  QAction* tool(const QString& name, const QString& caption, const QIcon& icon = {});
  void AddFile();
  void AddFolder();
  void ClearList();
  void DeleteSelectedRows();
  void SelectOutFolder();
  void OpenFormatEditor();
  void ShowAbout();
  void ShowHelp();
  void StartSplit();
  void setToolEnabled(const QString& name, bool enabled);
  void setRunning(bool running);
  // Gives the focus back to the widget that had it when the run started.
  void restoreFocus(QWidget* widget);
  void setStatus(const QString& text);
  void tick();

  MainWindowParts parts_;
  QString iniPath_;
  ConfigFile config_;
  FileList list_;
  SplitRun run_;
  bool quitAfterRun_ = false;
  QHash<QString, QList<QAction*>> tools_;
  QComboBox* cbPaper_ = nullptr;
  QRadioButton* optSave_[2] = {nullptr, nullptr};
  QLineEdit* txtFolder_ = nullptr;
  QToolButton* cmdSelectFolder_ = nullptr;
  QTableView* gd_ = nullptr;
  QLabel* tlTipTxt_ = nullptr;
  QString status_;  // the status text as set; the bar shows it on one line
  QLabel* tlDate_ = nullptr;
  QLabel* tlTime_ = nullptr;
  QPointer<FormatEditor> editor_;
};

}  // namespace sheetcut::app
