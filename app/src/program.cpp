#include "sheetcut_app/program.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>

#include "sheetcut_app/error_text.h"
#include "sheetcut_app/main_window.h"

namespace sheetcut::app {

namespace {

const QString kStartFailure = QStringLiteral("系统启动异常, 原因: ");

// frmQuit: never shown; closing it ends the program.
class QuitForm : public QWidget {
 public:
  explicit QuitForm(std::function<void()> quit) : quit_(std::move(quit)) {
    setObjectName(QStringLiteral("frmQuit"));
    setWindowTitle(QStringLiteral("退出系统"));
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->accept();
    if (quit_) quit_();
  }

 private:
  std::function<void()> quit_;
};

}  // namespace

Program::Program(ProgramParts parts) : parts_(std::move(parts)), instance_(parts_.lockFolder) {
  if (parts_.programFolder.isEmpty()) {
    parts_.programFolder = QCoreApplication::applicationDirPath();
  }
}

Program::~Program() {
  if (!ended_ && (api_ || cad_)) QuitApp();
}

void Program::systemBox(const QString& text, const QString& title) {
  if (parts_.systemBox) {
    parts_.systemBox(text, title);
  } else {
    QMessageBox::information(nullptr, title, text);
  }
}

bool Program::Main() {
  try {
    if (!instance_.tryLock()) {
      systemBox(QStringLiteral("图纸拆分工具已经启动!\u3000"), QStringLiteral("提示"));
      ended_ = true;
      return false;
    }
    api_ = parts_.makeApi();
  } catch (...) {
    systemBox(kStartFailure + errorText(std::current_exception()).description,
              QStringLiteral("图纸转换"));
    ended_ = true;
    return false;
  }
  try {
    cad_ = parts_.makeCad();
  } catch (...) {
    api_.reset();
    systemBox(kStartFailure + errorText(std::current_exception()).description,
              QStringLiteral("图纸转换"));
    ended_ = true;
    return false;
  }
  SetSetting(setting::kConfigFile, parts_.programFolder + QStringLiteral("/cfg.ini"));
  SetSetting(setting::kUseLastChoice, false);
  SetSetting(setting::kUnloadForm, QStringLiteral("CLOSE"));
  frmQuit_ = std::make_unique<QuitForm>([this] { QuitApp(); });
  main_ = std::make_unique<MainWindow>(
      MainWindowParts{*api_, *cad_, settings_, parts_.programFolder, [this] {
                        if (frmQuit_) frmQuit_->close();
                      }});
  main_->show();
  return true;
}

void Program::QuitApp() {
  if (ended_) return;
  ended_ = true;
  SetSetting(setting::kUnloadForm, QStringLiteral("QUIT"));
  // Both windows may be on the call stack (the quit form's close handler called us): they go
  // when control is back in the event loop.
  if (main_) {
    main_->close();
    main_.release()->deleteLater();
  }
  if (frmQuit_) frmQuit_.release()->deleteLater();
  api_.reset();
  if (cad_) cad_->releaseHost();  // the host itself is not closed here
  cad_.reset();
  settings_.clear();
  if (parts_.onEnd) {
    parts_.onEnd();
  } else {
    QCoreApplication::exit(0);
  }
}

}  // namespace sheetcut::app
