#include "tarvik/frm_dwg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <cmath>

#include "tarvik/cad.h"
#include "tarvik/qt_ui.h"

namespace tarvik {

namespace {

const QString kTitle = QStringLiteral("Tarvik");
constexpr double kTolerance = 99;

}  // namespace

QString frmDwgCheck(const DrawingNumberEntry& entry) {
  const QString number = entry.number.trimmed(), name = entry.name.trimmed(),
                scale = entry.scale.trimmed();
  if (number.isEmpty() || name.isEmpty() || scale.isEmpty()) return QStringLiteral("信息输入不全");
  if (number.split(u'-').size() != 3) return QStringLiteral("图号必须为*-*-*格式");
  bool ok = false;
  const double value = scale.toDouble(&ok);
  if (!ok || !std::isfinite(value) || !(static_cast<float>(value) > 0))
    return QStringLiteral("比例必须大于零的数字");
  return {};
}

DrawingNumberResult drawingNumberResult(const std::optional<DrawingNumberEntry>& entry) {
  if (!entry) return {};
  return {entry->number.trimmed(), entry->name.trimmed(), entry->scale.trimmed().toDouble()};
}

QString windowSheetSize(double width, double height, double scale) {
  double h = std::nearbyint(std::fabs(height) / scale);
  double w = std::nearbyint(std::fabs(width) / scale);
  if (w < h && w > 280) std::swap(w, h);
  auto near = [](double v, double size) { return std::fabs(v - size) <= kTolerance; };
  if (near(h, 297) && near(w, 210)) return QStringLiteral("A4");
  if (near(h, 297)) return QStringLiteral("A3");
  if (near(h, 420)) return QStringLiteral("A2");
  if (near(h, 594)) return QStringLiteral("A1");
  if (near(h, 841)) return QStringLiteral("A0");
  return QStringLiteral("A3");
}

frmDwg::frmDwg(DrawingNumberCheck check, std::function<void(const QString&)> showMessage,
               QWidget* parent)
    : QDialog(parent), check_(std::move(check)), showMessage_(std::move(showMessage)) {
  setWindowTitle(QStringLiteral("请输入以下信息"));
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  setModal(true);
  Label1 = new QLabel(QStringLiteral("图号:"), this);
  Text1 = new QLineEdit(this);
  Label2 = new QLabel(QStringLiteral("图名:"), this);
  Text2 = new QLineEdit(this);
  Label3 = new QLabel(QStringLiteral("比例:"), this);
  Text3 = new QLineEdit(this);
  Command1 = new QPushButton(QStringLiteral("确 定"), this);
  Command2 = new QPushButton(QStringLiteral("取 消"), this);
  auto* grid = new QGridLayout(this);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(Text1, 0, 1);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(Text2, 1, 1);
  grid->addWidget(Label3, 2, 0);
  grid->addWidget(Text3, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  grid->addLayout(buttons, 3, 0, 1, 2);
  Command1->setDefault(true);
  connect(Command1, &QPushButton::clicked, this, [this] { confirm(); });
  connect(Command2, &QPushButton::clicked, this, [this] { reject(); });
}

void frmDwg::confirm() {
  const DrawingNumberEntry entry{Text1->text(), Text2->text(), Text3->text()};
  const QString refusal = check_ ? check_(entry) : QString();
  if (!refusal.isEmpty()) {
    if (showMessage_) {
      showMessage_(refusal);
    } else {
      QMessageBox box(QMessageBox::Information, kTitle, refusal, QMessageBox::Ok, this);
      box.exec();
    }
    return;  // the dialog stays open
  }
  confirmed_ = entry;
  accept();
}

std::optional<DrawingNumberEntry> QtUi::askDrawingNumber(const DrawingNumberCheck& check) {
  frmDwg dialog(check);
  dialog.exec();
  return dialog.confirmed();
}

bool CAD::showFrmDwg() {
  const DrawingNumberResult r = drawingNumberResult(ui_->askDrawingNumber(frmDwgCheck));
  DlgDwgNo = r.DlgDwgNo;
  DlgDwgName = r.DlgDwgName;
  DlgScale = r.DlgScale;
  return DlgScale > 0;
}

}  // namespace tarvik
