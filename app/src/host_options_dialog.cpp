#include "sheetcut_app/host_options_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace sheetcut::app {

HostOptionsDialog::HostOptionsDialog(RunSettings& settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), settings_(settings) {
  setObjectName(QStringLiteral("frmCadAppOpt"));
  setWindowTitle(QStringLiteral("应用AutoCAD选项"));
  auto* label =
      new QLabel(QStringLiteral("本软件需要AutoCAD应用程序的支持, 为不影响你的正常工作, "
                                "建议让系统新打开一个AutoCAD; 如果你要让系统应用当前打开的AutoCAD, "
                                "请做好保存工作"),
                 this);
  label->setWordWrap(true);
  optGetMth_[0] = new QRadioButton(QStringLiteral("新打开一个AutoCAD窗口"), this);
  optGetMth_[1] = new QRadioButton(QStringLiteral("应用当前的AutoCAD窗口"), this);
  optGetMth_[0]->setChecked(true);
  chkNext_ = new QCheckBox(QStringLiteral("下次执行同样的操作,不再询问"), this);
  auto* cmdOK = new QPushButton(QStringLiteral("确定"), this);
  connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(optGetMth_[0]);
  layout->addWidget(optGetMth_[1]);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(chkNext_, 1);
  bottom->addWidget(cmdOK);
  layout->addLayout(bottom);
  resize(400, 170);
}

void HostOptionsDialog::cmdOK_Click() {
  confirmed_ = true;
  accept();
}

void HostOptionsDialog::done(int result) {
  // Any way the dialog ends: a choice counts only when its button confirmed it.
  settings_.SetSetting(setting::kUseLastChoice, false);
  const bool current = confirmed_ && optGetMth_[1]->isChecked();
  settings_.SetSetting(setting::kHostMode,
                       current ? QStringLiteral("当前") : QStringLiteral("新建"));
  if (confirmed_ && chkNext_->isChecked()) settings_.SetSetting(setting::kUseLastChoice, true);
  QDialog::done(result);
}

}  // namespace sheetcut::app
