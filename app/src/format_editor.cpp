#include "sheetcut_app/format_editor.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "sheetcut_app/dwg_id_format.h"
#include "sheetcut_app/error_text.h"

namespace sheetcut::app {

FormatEditor::FormatEditor(ProgramServices& api, ConfigFile& config, std::function<void()> onClosed,
                           QWidget* parent)
    : QDialog(parent), api_(api), store_(config), onClosed_(std::move(onClosed)) {
  setObjectName(QStringLiteral("frmFormat"));
  setWindowTitle(QStringLiteral("图号格式设置"));
  setModal(false);

  auto* frmdwg = new QGroupBox(QStringLiteral("图号组成部分"), this);
  frmdwg->setObjectName(QStringLiteral("frmdwg"));
  auto* grid = new QGridLayout(frmdwg);
  for (int i = 0; i < 3; ++i) {
    grid->addWidget(new QLabel(QStringLiteral("第%1节首字符:").arg(i + 1), frmdwg), i, 0);
    cbFormat_[i] = new QComboBox(frmdwg);
    cbFormat_[i]->setObjectName(QStringLiteral("cbFormat%1").arg(i));
    grid->addWidget(cbFormat_[i], i, 1);
  }
  auto* cmdAdd = new QPushButton(QStringLiteral("添 加"), frmdwg);
  cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
  grid->addWidget(cmdAdd, 3, 1);

  auto* note =
      new QLabel(QStringLiteral("说明:如果图号由3节以上组成请将第3节首字符设为\"任意\""), this);
  note->setWordWrap(true);
  auto* example = new QLabel(QStringLiteral("例:A123-B567-08"), this);

  lstFormat_ = new QListWidget(this);
  lstFormat_->setObjectName(QStringLiteral("lstFormat"));
  auto* cmdDel = new QPushButton(QStringLiteral("删除"), this);
  cmdDel->setObjectName(QStringLiteral("cmdDel"));
  auto* cmdClose = new QPushButton(QStringLiteral("关闭"), this);
  cmdClose->setObjectName(QStringLiteral("cmdClose"));

  auto* left = new QVBoxLayout;
  left->addWidget(frmdwg);
  left->addWidget(note);
  left->addWidget(example);
  left->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdDel);
  buttons->addWidget(cmdClose);
  auto* right = new QVBoxLayout;
  right->addWidget(lstFormat_, 1);
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(right, 1);

  connect(cmdAdd, &QPushButton::clicked, this,
          [this] { guarded(QStringLiteral("cmdAdd_Click"), &FormatEditor::cmdAdd_Click); });
  connect(cmdDel, &QPushButton::clicked, this,
          [this] { guarded(QStringLiteral("cmdDel_Click"), &FormatEditor::cmdDel_Click); });
  connect(cmdClose, &QPushButton::clicked, this, [this] { close(); });

  InitFormatForm();
  resize(460, 240);
  api_.SetWindowOnTop(this, true);
}

void FormatEditor::InitFormatForm() {
  const int preselected[3] = {0, 0, 1};  // 字母, 字母, 数字
  for (int i = 0; i < 3; ++i) {
    cbFormat_[i]->addItems(formatSectionWords());
    cbFormat_[i]->setCurrentIndex(preselected[i]);
  }
  lstFormat_->addItems(store_.load());
}

void FormatEditor::cmdAdd_Click() {
  const QString format = composeFormat(cbFormat_[0]->currentText(), cbFormat_[1]->currentText(),
                                       cbFormat_[2]->currentText());
  switch (store_.add(format)) {
    case FormatStore::AddResult::Added:
      lstFormat_->addItem(format);
      break;
    case FormatStore::AddResult::Duplicate:
      break;
    case FormatStore::AddResult::Full:
      api_.Alert(QStringLiteral("最多只能保存%1个图号格式,请先删除不用的格式").arg(kMaxFormats),
                 QString());
      break;
  }
}

void FormatEditor::cmdDel_Click() {
  const int s = lstFormat_->currentRow();
  if (s < 0 || !lstFormat_->currentItem()->isSelected()) return;
  if (!api_.Confirm(QStringLiteral("真的要删除选中的图号格式吗?"), QStringLiteral("OK"),
                    QString())) {
    return;
  }
  store_.remove(s);
  delete lstFormat_->takeItem(s);
}

void FormatEditor::guarded(const QString& name, void (FormatEditor::*handler)()) {
  try {
    (this->*handler)();
  } catch (...) {
    const ErrorText error = errorText(std::current_exception());
    api_.ShowErr(error.number, error.description, name);
  }
}

void FormatEditor::reject() {
  QDialog::reject();
  if (onClosed_) onClosed_();
}

void FormatEditor::closeEvent(QCloseEvent* event) {
  if (onClosed_) onClosed_();
  event->accept();
}

}  // namespace sheetcut::app
