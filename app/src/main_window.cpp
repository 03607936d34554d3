#include "sheetcut_app/main_window.h"

#include <tarvik/constants.h>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "sheetcut_app/about_dialog.h"
#include "sheetcut_app/app_version.h"
#include "sheetcut_app/dwg_id_format.h"
#include "sheetcut_app/error_text.h"
#include "sheetcut_app/format_editor.h"
#include "sheetcut_app/passed_over.h"
#include "sheetcut_app/path_delegate.h"
#include "sheetcut_app/program_config.h"
#include "sheetcut_app/program_pictures.h"

namespace sheetcut::app {

namespace {

// The status text: one line, cut off with "…" where the bar is too short, so that neither a
// failure's line break nor a long path can make the bar taller or the window wider.
class StatusLabel : public QLabel {
 public:
  explicit StatusLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect room = contentsRect();
    painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     fontMetrics().elidedText(text(), Qt::ElideRight, room.width()));
  }
};

// Tool names of the commands that a running split refuses.
const QStringList kToolsLockedDuringRun = {
    QStringLiteral("tlAddFile"), QStringLiteral("tlAddFolder"), QStringLiteral("tlStart"),
    QStringLiteral("tlClear"),   QStringLiteral("tlDelete"),    QStringLiteral("tlUserSet")};

}  // namespace

MainWindow::MainWindow(MainWindowParts parts)
    : parts_(std::move(parts)),
      iniPath_(parts_.settings.GetSetting(setting::kConfigFile).toString()),
      config_(parts_.api, iniPath_),
      run_(list_, parts_.api, parts_.cad, config_) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowIcon(programIcon());
  buildBands();

  auto* picLay = new QWidget(this);
  picLay->setObjectName(QStringLiteral("picLay"));
  auto* layout = new QVBoxLayout(picLay);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  layout->addWidget(buildFolderPanel());
  gd_ = new QTableView(picLay);
  gd_->setObjectName(QStringLiteral("gd"));
  layout->addWidget(gd_, 1);
  setCentralWidget(picLay);

  InitGrid();
  setStatus(kProgramTitle);
  setWindowTitle(kProgramTitle + GetAppVersion());
  LoadConfigInfo(true);

  run_.owner = this;
  run_.onStatus = [this](const QString& text) { setStatus(text); };
  run_.onFolderChosen = [this](const QString& folder) { txtFolder_->setText(folder); };
  run_.onWaitCursor = [](bool on) {
    if (on) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
      QApplication::restoreOverrideCursor();
    }
  };

  resize(672, 480);
  if (const QScreen* screen = QApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  auto* clock = new QTimer(this);
  connect(clock, &QTimer::timeout, this, [this] { tick(); });
  clock->start(1000);
  tick();
}

MainWindow::~MainWindow() {
  if (editor_) delete editor_.data();
}

QAction* MainWindow::tool(const QString& name, const QString& caption, const QIcon& icon) {
  auto* action = new QAction(icon, caption, this);
  action->setObjectName(name);
  connect(action, &QAction::triggered, this, [this, name] { ab_ToolClick(name); });
  tools_[name] << action;
  return action;
}

void MainWindow::buildBands() {
  QStyle* style = QApplication::style();
  const QIcon fileIcon = style->standardIcon(QStyle::SP_FileIcon);
  const QIcon folderIcon = style->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon startIcon = style->standardIcon(QStyle::SP_MediaPlay);

  // bndMenu with its three menus.
  QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
  file->setObjectName(QStringLiteral("bndPopFile"));
  file->addAction(tool(QStringLiteral("tlAddFile"), QStringLiteral("添加文件"), fileIcon));
  file->addAction(tool(QStringLiteral("tlAddFolder"), QStringLiteral("添加文件夹"), folderIcon));
  file->addSeparator();
  file->addAction(tool(QStringLiteral("tlStart"), QStringLiteral("开始转换"), startIcon));
  file->addSeparator();
  file->addAction(tool(QStringLiteral("tlExit"), QStringLiteral("退出")));
  QMenu* edit = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
  edit->setObjectName(QStringLiteral("bndPopEdit"));
  edit->addAction(tool(QStringLiteral("tlClear"), QStringLiteral("清空文件列表")));
  edit->addAction(tool(QStringLiteral("tlDelete"), QStringLiteral("移除当前文件")));
  edit->addSeparator();
  edit->addAction(tool(QStringLiteral("tlUserSet"), QStringLiteral("定义图号格式")));
  QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
  help->setObjectName(QStringLiteral("bndPopHelp"));
  help->addAction(tool(QStringLiteral("tlHelp"), QStringLiteral("使用帮助")));
  help->addAction(tool(QStringLiteral("tlAbout"), QStringLiteral("关于本软件")));

  // bndToolBar: the first three tools show their picture only.
  QToolBar* bar = addToolBar(QStringLiteral("bndToolBar"));
  bar->setObjectName(QStringLiteral("bndToolBar"));
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  const auto iconOnly = [bar](QAction* action) {
    action->setToolTip(action->text());
    bar->addAction(action);
    if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action))) {
      button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
  };
  iconOnly(tool(QStringLiteral("tlAddFile"), QStringLiteral("添加文件"), fileIcon));
  iconOnly(tool(QStringLiteral("tlAddFolder"), QStringLiteral("添加文件夹"), folderIcon));
  bar->addSeparator();
  iconOnly(tool(QStringLiteral("tlStart"), QStringLiteral("开始转换"), startIcon));
  bar->addSeparator();
  bar->addAction(tool(QStringLiteral("tlClear"), QStringLiteral("清空")));
  bar->addAction(tool(QStringLiteral("tlDelete"), QStringLiteral("删除")));
  bar->addSeparator();
  bar->addWidget(new QLabel(QStringLiteral("图号格式："), bar));
  cbPaper_ = new QComboBox(bar);
  cbPaper_->setObjectName(QStringLiteral("cbPaper"));
  cbPaper_->setMinimumContentsLength(16);
  bar->addWidget(cbPaper_);
  bar->addAction(tool(QStringLiteral("tlUserSet"), QStringLiteral("自定义")));
  bar->addSeparator();
  bar->addAction(tool(QStringLiteral("tlHelp"), QStringLiteral("操作说明")));
  bar->addAction(tool(QStringLiteral("tlAbout"), QStringLiteral("关于")));
  bar->addAction(tool(QStringLiteral("tlExit"), QStringLiteral("退出")));

  // bndStatus.
  tlTipTxt_ = new StatusLabel(this);
  tlTipTxt_->setObjectName(QStringLiteral("tlTipTxt"));
  tlDate_ = new QLabel(this);
  tlDate_->setObjectName(QStringLiteral("tlDate"));
  tlTime_ = new QLabel(this);
  tlTime_->setObjectName(QStringLiteral("tlTime"));
  statusBar()->setObjectName(QStringLiteral("bndStatus"));
  statusBar()->addWidget(tlTipTxt_, 1);
  statusBar()->addPermanentWidget(tlDate_);
  statusBar()->addPermanentWidget(tlTime_);
}

QWidget* MainWindow::buildFolderPanel() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("picFolder"));
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(new QLabel(QStringLiteral("拆分文件保存至："), panel));
  auto* group = new QButtonGroup(panel);
  const QString captions[2] = {QStringLiteral("原始路径"), QStringLiteral("指定文件夹")};
  for (int i = 0; i < 2; ++i) {
    optSave_[i] = new QRadioButton(captions[i], panel);
    optSave_[i]->setObjectName(QStringLiteral("optSave%1").arg(i));
    group->addButton(optSave_[i], i);
    row->addWidget(optSave_[i]);
  }
  optSave_[0]->setChecked(true);
  txtFolder_ = new QLineEdit(panel);
  txtFolder_->setObjectName(QStringLiteral("txtFolder"));
  row->addWidget(txtFolder_, 1);
  cmdSelectFolder_ = new QToolButton(panel);
  cmdSelectFolder_->setObjectName(QStringLiteral("cmdSelectFolder"));
  cmdSelectFolder_->setText(QStringLiteral("…"));
  connect(cmdSelectFolder_, &QToolButton::clicked, this, [this] {
    try {
      SelectOutFolder();
    } catch (...) {
      const ErrorText error = errorText(std::current_exception());
      parts_.api.ShowErr(error.number, error.description, QStringLiteral("SelectOutFolder"));
    }
  });
  row->addWidget(cmdSelectFolder_);
  return panel;
}

void MainWindow::InitGrid() {
  const QString icoFolder = parts_.programFolder + QStringLiteral("/ico/");
  list_.addPicture(QStringLiteral("doing"),
                   QIcon(icoFolder + statusPictureFile(StatusPicture::Doing)));
  list_.addPicture(QStringLiteral("ok"), QIcon(icoFolder + statusPictureFile(StatusPicture::Ok)));
  list_.addPicture(QStringLiteral("err"),
                   QIcon(icoFolder + statusPictureFile(StatusPicture::Failure)));
  list_.addPicture(QStringLiteral("none"),
                   QIcon(icoFolder + statusPictureFile(StatusPicture::NoFrame)),
                   QStringLiteral("没有找到图框, 没有拆分出图纸"));

  gd_->setModel(&list_.model());
  gd_->verticalHeader()->hide();
  gd_->verticalHeader()->setDefaultSectionSize(19);
  gd_->horizontalHeader()->setFixedHeight(23);
  gd_->horizontalHeader()->setStretchLastSection(false);
  gd_->horizontalHeader()->setMinimumSectionSize(16);
  gd_->setSelectionBehavior(QAbstractItemView::SelectRows);
  gd_->setSelectionMode(QAbstractItemView::SingleSelection);
  gd_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // One stop of the Tab chain, as lists are: the arrow keys move within the grid, Tab and
  // Shift+Tab go on to the controls around it.
  gd_->setTabKeyNavigation(false);
  gd_->setIconSize(QSize(16, 16));
  const int widths[FileList::kColumns] = {20, 20, 450, 80, 80};
  for (int column = 0; column < FileList::kColumns; ++column) {
    gd_->setColumnWidth(column, widths[column]);
  }
  gd_->horizontalHeader()->setSectionResizeMode(FileList::kFixed, QHeaderView::Fixed);
  gd_->horizontalHeader()->setSectionResizeMode(FileList::kStatus, QHeaderView::Fixed);
  // The path column takes whatever room the window gives; a path too long for it loses the
  // middle of its folder, so that the file name stays in sight.
  gd_->horizontalHeader()->setSectionResizeMode(FileList::kPath, QHeaderView::Stretch);
  gd_->setItemDelegateForColumn(FileList::kPath, new PathDelegate(gd_));
  gd_->setTextElideMode(Qt::ElideMiddle);
  gd_->setWordWrap(false);

  QFont font(QStringLiteral("宋体"), 9);
  font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                    QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
  gd_->setFont(font);
  QPalette palette = gd_->palette();
  palette.setColor(QPalette::Button, QColor(236, 233, 216));
  palette.setColor(QPalette::Window, QColor(236, 233, 216));
  palette.setColor(QPalette::AlternateBase, QColor(236, 233, 216));
  palette.setColor(QPalette::Mid, QColor(172, 168, 153));
  palette.setColor(QPalette::Dark, QColor(172, 168, 153));
  palette.setColor(QPalette::Highlight, QColor(221, 221, 221));
  palette.setColor(QPalette::Midlight, QColor(221, 221, 221));
  palette.setColor(QPalette::Base, QColor(255, 255, 255));
  palette.setColor(QPalette::Light, QColor(255, 255, 255));
  palette.setColor(QPalette::HighlightedText, QColor(0, 0, 0));
  gd_->setPalette(palette);
  gd_->setGridStyle(Qt::SolidLine);
  connect(gd_, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { openOutputFolder(index.row()); });
}

void MainWindow::ab_ToolClick(const QString& name) {
  if (run_.running() && kToolsLockedDuringRun.contains(name)) return;
  // A failure never leaves a command handler: it is shown and the window goes on.
  try {
    dispatch(name);
  } catch (...) {
    const ErrorText error = errorText(std::current_exception());
    parts_.api.ShowErr(error.number, error.description, name);
  }
}

void MainWindow::dispatch(const QString& name) {
  if (name == QLatin1String("tlAddFile")) {
    AddFile();
  } else if (name == QLatin1String("tlAddFolder")) {
    AddFolder();
  } else if (name == QLatin1String("tlStart")) {
    StartSplit();
  } else if (name == QLatin1String("tlClear")) {
    ClearList();
  } else if (name == QLatin1String("tlUserSet")) {
    OpenFormatEditor();
  } else if (name == QLatin1String("tlDelete")) {
    DeleteSelectedRows();
  } else if (name == QLatin1String("tlAbout")) {
    ShowAbout();
  } else if (name == QLatin1String("tlHelp")) {
    ShowHelp();
  } else if (name == QLatin1String("tlExit")) {
    close();
  }
}

void MainWindow::AddFile() {
  int step = 1;
  try {
    setToolEnabled(QStringLiteral("tlAddFile"), false);
    step = 2;
    const ChosenFiles chosen =
        parts_.api.SelectFiles(nullptr, QStringLiteral("CAD图形文件|*") + tarvik::kDrawingExtension,
                               true, QStringLiteral("请选择文件"), QString());
    step = 3;
    setToolEnabled(QStringLiteral("tlAddFile"), true);
    if (chosen.sPath.isEmpty()) return;
    step = 8;
    for (const QString& name : chosen.names) list_.addDrawing(chosen.sPath + name);
  } catch (...) {
    setToolEnabled(QStringLiteral("tlAddFile"), true);
    parts_.api.Alert(QStringLiteral("抱歉, addFile函数第%1行异常, 原因: \r\n").arg(step) +
                         errorText(std::current_exception()).description,
                     QString());
  }
}

void MainWindow::AddFolder() {
  int step = 1;
  try {
    setToolEnabled(QStringLiteral("tlAddFolder"), false);
    step = 2;
    const QString folder =
        parts_.api.SelectFolder(nullptr, QStringLiteral("请选择一个文件夹"), QString(), false);
    step = 3;
    setToolEnabled(QStringLiteral("tlAddFolder"), true);
    if (folder.isEmpty()) return;
    step = 5;
    const FolderFiles found =
        parts_.api.FindFolderFiles(folder, QStringLiteral("*") + tarvik::kDrawingExtension);
    step = 6;
    const bool none = found.entries.isEmpty() || found.entries.first().trimmed().isEmpty();
    const PassedOver over = passedOver(found.skipped);
    if (none && over.files.isEmpty()) {
      // Drawings that this program cannot read are not "no drawings".
      const QStringList dwg = parts_.api.FindFolderFiles(folder, QStringLiteral("*.dwg")).entries;
      const bool hasDwg = !dwg.isEmpty() && !dwg.first().trimmed().isEmpty();
      QString text =
          hasDwg
              ? QStringLiteral("该文件夹下发现了DWG图纸, 但本程序无法读取DWG图纸, 只能读取DXF图纸")
              : QStringLiteral("该文件夹下没有发现DWG文件");
      // Sub-folders passed over are named in the same message.
      if (!over.folders.isEmpty()) text += QStringLiteral("\r\n\r\n") + passedOverText(over);
      parts_.api.Alert(text, QString());
      return;
    }
    step = 8;
    if (!none) list_.addFolderEntries(found.entries);
    if (const QString text = passedOverText(over); !text.isEmpty()) {
      parts_.api.Alert(text, QString());
    }
  } catch (...) {
    setToolEnabled(QStringLiteral("tlAddFolder"), true);
    parts_.api.Alert(QStringLiteral("抱歉, addFolder函数第%1行异常, 原因: \r\n").arg(step) +
                         errorText(std::current_exception()).description,
                     QString());
  }
}

void MainWindow::ClearList() {
  if (!parts_.api.Confirm(QStringLiteral("真的要清空文件列表吗?"), QStringLiteral("OK"),
                          QString())) {
    return;
  }
  list_.clear();
  // Nothing of the old list stays: no selection, the grid at its start, the status bar as at
  // start-up.
  gd_->selectionModel()->clear();
  gd_->scrollToTop();
  gd_->horizontalScrollBar()->setValue(0);
  setStatus(kProgramTitle);
}

void MainWindow::DeleteSelectedRows() {
  if (list_.isEmpty()) return;
  // Only rows shown as selected: the grid's current row may be one that nobody picked.
  QList<int> rows;
  for (const QModelIndex& index : gd_->selectionModel()->selectedRows()) rows << index.row();
  std::sort(rows.begin(), rows.end(), std::greater<int>());
  for (int row : rows) list_.removeRow(row);
}

void MainWindow::SelectOutFolder() {
  if (run_.running()) return;
  const QString start = config_.read(ini::kUserSet, ini::kOutFolder);
  const QString folder =
      parts_.api.SelectFolder(this, QStringLiteral("请选择一个文件夹"), start, true);
  if (folder.isEmpty()) return;
  txtFolder_->setText(folder);
  config_.write(ini::kUserSet, ini::kOutFolder, folder);
}

void MainWindow::OpenFormatEditor() {
  // A closed editor is made anew, as if loaded again: its choosers start on 字母, 字母, 数字
  // and its list is read from the file.
  if (editor_ && !editor_->isVisible()) delete editor_.data();
  if (!editor_) {
    editor_ = new FormatEditor(parts_.api, config_, [this] { LoadConfigInfo(false); });
  }
  editor_->show();
  editor_->raise();
}

void MainWindow::ShowAbout() {
  AboutDialog about(this);
  about.exec();
}

void MainWindow::ShowHelp() {
  const QString help = parts_.programFolder + QStringLiteral("/help.pdf");
  if (!QFileInfo::exists(help)) {
    parts_.api.Alert(help + QStringLiteral("不存在!"), QString());
    return;
  }
  parts_.api.openDocument(help, [self = QPointer<MainWindow>(this), help] {
    if (self)
      self->parts_.api.Alert(QStringLiteral("没有可以打开帮助文件的程序: ") + help, QString());
  });
}

void MainWindow::openOutputFolder(int row) {
  if (row < 0 || row >= list_.drawingCount()) return;
  // Where the row's last split wrote; a row no run has split yet goes by the controls.
  QString folder = list_.outputFolder(row);
  if (folder.isEmpty()) {
    folder = optSave_[int(SaveMode::ChosenFolder)]->isChecked()
                 ? folderWithSlash(txtFolder_->text()) + list_.nameTag(row)
                 : list_.folderTag(row) + list_.nameTag(row);
  }
  if (parts_.api.FolderExist(folder)) {
    parts_.api.openFolder(folder, [self = QPointer<MainWindow>(this), folder] {
      if (self)
        self->parts_.api.Alert(QStringLiteral("没有可以打开文件夹的程序: ") + folder, QString());
    });
  } else if (list_.picture(row) == QLatin1String("none")) {
    // The split found no frame, so it made no folder.
    parts_.api.Alert(list_.path(row) + QStringLiteral("中没有找到图框, 没有拆分出图纸"), QString());
  } else {
    parts_.api.Alert(folder + QStringLiteral("不存在!可能是转换过程中出现异常"), QString());
  }
}

void MainWindow::StartSplit() {
  RunChoices choices;
  choices.mode = optSave_[int(SaveMode::ChosenFolder)]->isChecked() ? SaveMode::ChosenFolder
                                                                    : SaveMode::OwnFolder;
  choices.folder = txtFolder_->text();
  choices.formatText = cbPaper_->currentText();
  // Locking a control that has the focus hands the focus on along the Tab chain; at the end
  // of the run it goes back to where the user left it.
  const QPointer<QWidget> focused = focusWidget();
  setRunning(true);
  run_.StartSplit(choices);
  setRunning(false);
  restoreFocus(focused);
  if (quitAfterRun_) QTimer::singleShot(0, this, [this] { parts_.quit(); });
}

void MainWindow::setToolEnabled(const QString& name, bool enabled) {
  for (QAction* action : tools_.value(name)) action->setEnabled(enabled);
}

void MainWindow::setRunning(bool running) {
  for (const QString& name : kToolsLockedDuringRun) setToolEnabled(name, !running);
  // The folder box and its button first: the focus leaving a locked save-mode button then
  // passes over them instead of landing in the box with the path selected. The box keeps its
  // text; greyed like the controls beside it, it shows that typing waits for the run's end.
  txtFolder_->setEnabled(!running);
  cmdSelectFolder_->setEnabled(!running);
  optSave_[0]->setEnabled(!running);
  optSave_[1]->setEnabled(!running);
  if (editor_) editor_->setEnabled(!running);
}

void MainWindow::restoreFocus(QWidget* widget) {
  // A widget gone, hidden or locked meanwhile leaves the focus where the run left it.
  if (widget && widget->window() == this && widget->isEnabled() && widget->isVisibleTo(this) &&
      widget->focusPolicy() != Qt::NoFocus) {
    // Not a Tab focus: a line edit given it that way would select its whole text.
    widget->setFocus(Qt::OtherFocusReason);
  }
  // Whatever has the focus, a key typed next must not replace the folder's path.
  txtFolder_->deselect();
}

void MainWindow::LoadConfigInfo(bool flag) {
  ConfigInfo info;
  try {
    info = loadConfigInfo(config_, flag);
  } catch (...) {
    return;  // an unreadable file leaves the window as it is
  }
  const QString chosen = cbPaper_->currentText();
  cbPaper_->clear();
  if (flag) {
    txtFolder_->setText(info.outFolder);
    if (info.saveMode) optSave_[int(*info.saveMode)]->setChecked(true);
  }
  cbPaper_->addItems(info.formats);
  // The user's choice outweighs the stored default: the next run is to use what is shown.
  const int kept = chosen.isEmpty() ? -1 : int(info.formats.indexOf(chosen));
  cbPaper_->setCurrentIndex(kept >= 0 ? kept : info.selected);
}

QString MainWindow::GetDwgIDMask() const {
  return sheetcut::app::GetDwgIDMask(cbPaper_->currentText());
}

QString MainWindow::statusText() const {
  return status_;
}

void MainWindow::setStatus(const QString& text) {
  status_ = text;
  // The bar shows the text on one line, the count and the reason of a failure first; the whole
  // text, line break and all, shows on hover.
  static const QRegularExpression lineBreak(QStringLiteral("[ \\t]*\\r?\\n"));
  QString line = text;
  line.replace(lineBreak, QStringLiteral(" "));
  tlTipTxt_->setText(line);
  tlTipTxt_->setToolTip(text);
}

void MainWindow::tick() {
  tlDate_->setText(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
  tlTime_->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (parts_.settings.GetSetting(setting::kUnloadForm).toString() != QLatin1String("CLOSE")) {
    // Shut-down: the editor goes with the window, before the objects it uses are released.
    if (editor_) {
      editor_->hide();
      editor_->deleteLater();
    }
    event->accept();
    return;
  }
  event->ignore();
  if (quitAfterRun_) return;
  if (!parts_.api.Confirm(QStringLiteral("真的要退出系统吗?"), QStringLiteral("OK"), QString())) {
    return;
  }
  if (run_.running()) {
    // The drawing being split finishes first; the run then ends and the program with it.
    quitAfterRun_ = true;
    run_.stopAfterCurrent();
    return;
  }
  QTimer::singleShot(0, this, [this] { parts_.quit(); });
}

}  // namespace sheetcut::app
