#include "sheetcut_app/about_dialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "sheetcut_app/app_version.h"
#include "sheetcut_app/program_pictures.h"

namespace sheetcut::app {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("关于本软件"));

  auto* picLay = new QFrame(this);
  picLay->setObjectName(QStringLiteral("picLay"));
  picLay->setAutoFillBackground(true);
  QPalette white = picLay->palette();
  white.setColor(QPalette::Window, QColor(255, 255, 255));
  picLay->setPalette(white);

  auto* image = new QLabel(picLay);
  image->setObjectName(QStringLiteral("Image1"));
  image->setPixmap(QPixmap::fromImage(drawProgramIcon(48)));
  lblName_ = new QLabel(kProgramTitle + QStringLiteral(" V") + GetAppVersion(), picLay);
  lblName_->setObjectName(QStringLiteral("lblName"));
  QFont bold = lblName_->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  lblName_->setFont(bold);
  auto* about = new QLabel(QStringLiteral("把一张含有多个图框的图纸按图框拆分成多张图纸,\n"
                                          "并以图框中的图号为新图纸命名。"),
                           picLay);
  auto* panel = new QHBoxLayout(picLay);
  panel->addWidget(image, 0, Qt::AlignTop);
  auto* texts = new QVBoxLayout;
  texts->addWidget(lblName_);
  texts->addWidget(about);
  texts->addStretch(1);
  panel->addLayout(texts, 1);

  auto* picLine = new QFrame(this);
  picLine->setObjectName(QStringLiteral("picLine"));
  picLine->setFixedHeight(1);
  picLine->setAutoFillBackground(true);
  QPalette grey = picLine->palette();
  grey.setColor(QPalette::Window, QColor(180, 180, 180));
  picLine->setPalette(grey);

  auto* cmdOK = new QPushButton(QStringLiteral("确定(&OK)"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 8);
  layout->addWidget(picLay, 1);
  layout->addWidget(picLine);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdOK);
  buttons->setContentsMargins(8, 0, 8, 0);
  layout->addLayout(buttons);
  resize(380, 180);
}

QString AboutDialog::nameText() const {
  return lblName_->text();
}

}  // namespace sheetcut::app
