// Drawing numbers and attribute values read from title blocks: GetTuHao, SetBlkArr and the
// title-block attribute report.

#include <cadhost/application.h>

#include <QDateTime>
#include <map>

#include "analysis_steps.h"
#include "host_calls.h"
#include "mobrel/ini_file.h"
#include "tarvik/analysis_report.h"
#include "tarvik/beside_drawing.h"
#include "tarvik/cad.h"
#include "tarvik/component_paths.h"

namespace tarvik {

namespace {

bool namesDrawingNumber(QString text) {
  text.remove(u' ');
  return text.contains(QStringLiteral("图号")) || text.contains(QStringLiteral("图纸编号"));
}

}  // namespace

cadhost::Filter blockNameFilter(const QStringList& names) {
  cadhost::Filter filter{
      {-4, std::string("<and")}, {0, std::string("INSERT")}, {-4, std::string("<or")}};
  for (const QString& name : names) filter.push_back({2, escapeWildcards(name).toStdString()});
  filter.push_back({-4, std::string("or>")});
  filter.push_back({-4, std::string("and>")});
  return filter;
}

QString CAD::GetTuHao(const Point3d& P1, const Point3d& P2) {
  if (!AcadDoc) return {};
  cadhost::Document doc = *AcadDoc;
  cadhost::SelectionSet set;
  if (!attemptStep([&] { set = freshSelectionSet(doc, "BlkSS"); })) return {};
  const cadhost::Point3 a = hostPoint(P1), b = hostPoint(P2);
  attemptStep([&] {
    set.select(cadhost::SelectMode::Crossing, &a, &b, {{0, std::string("INSERT,ATTDEF")}});
  });
  std::vector<cadhost::Entity> items;
  attemptStep([&] { items = set.items(); });
  QString result;
  for (const cadhost::Entity& e : items) {
    bool found = false;
    attemptStep([&] {
      if (e.objectName() == "AcDbAttributeDefinition") {
        if (namesDrawingNumber(QString::fromStdString(e.promptString()))) {
          result = QString::fromStdString(e.tagString());
          found = true;
        }
        return;
      }
      if (!e.hasAttributes()) return;
      std::map<QString, QString> prompts;  // a repeated tag keeps its first prompt
      attemptStep([&] {
        const cadhost::Block def = doc.blocks().item(e.name());
        for (const cadhost::Entity& d : def.entities()) {
          attemptStep([&] {
            if (d.objectName() != "AcDbAttributeDefinition") return;
            prompts.emplace(QString::fromStdString(d.tagString()),
                            QString::fromStdString(d.promptString()));
          });
        }
      });
      for (const cadhost::Entity& att : e.getAttributes()) {
        const QString tag = QString::fromStdString(att.tagString());
        const auto p = prompts.find(tag);
        if (namesDrawingNumber(tag + u',' + (p == prompts.end() ? QString() : p->second))) {
          result = QString::fromStdString(att.textString());
          found = true;
          return;
        }
      }
    });
    if (found) break;
  }
  attemptStep([&] { set.remove(); });
  return result;
}

void CAD::SetBlkArr(const QStringList& eBlkName, const QStringList& eBlkAttTag,
                    const QStringList& eBlkAttDesc) {
  TitleBlkNames = eBlkName;
  TitleBlkAttTags = eBlkAttTag;
  TitleBlkAttDescs = eBlkAttDesc;
}

void CAD::ReadTitleBlkAtt(const QString& path) {
  if (!acadApp) return;
  QString lastError;
  const auto note = [&](auto&& f) {
    try {
      f();
    } catch (const cadhost::HostError& e) {
      lastError = QString::fromUtf8(e.what());
    } catch (const sheetcut::Error& e) {
      lastError = QString::fromUtf8(e.what());
    }
  };
  // The drawing is opened beside the user's drawings and only it is closed again.
  BesideDrawing drawing(*this);
  if (drawing.open(path, true, &lastError)) {
    cadhost::Document doc = drawing.document();
    RptPath = joinPath(WorkPath(), kReportFileName);
    RptSection = path.toLower();
    cadhost::SelectionSet set;
    std::vector<cadhost::Entity> items;
    note([&] {
      set = freshSelectionSet(doc, "BlkSS");
      set.select(cadhost::SelectMode::All, nullptr, nullptr, blockNameFilter(TitleBlkNames));
      items = set.items();
    });
    mobrel::IniFile report(RptPath);
    bool done = false;
    for (const cadhost::Entity& block : items) {
      note([&] {
        if (!block.hasAttributes()) return;
        const QString blockName = QString::fromStdString(block.name()).toUpper();
        for (const QString& listName : TitleBlkNames) {
          if (listName != blockName) continue;
          for (const cadhost::Entity& att : block.getAttributes()) {
            const QString tag = QString::fromStdString(att.tagString()).toUpper();
            const QString text = QString::fromStdString(att.textString()).trimmed();
            for (qsizetype k = 0; k < TitleBlkAttTags.size(); ++k) {
              if (TitleBlkAttTags[k].toUpper() != tag || text.isEmpty()) continue;
              // A key the report cannot take (a description holding "=", say) is refused by
              // the INI file and shown at the end like any other failed step.
              if (k < TitleBlkAttDescs.size() &&
                  !report.WriteIniKey(RptSection, TitleBlkAttDescs[k], text)) {
                lastError = QStringLiteral("无法写入分析报告\"") + RptPath +
                            QStringLiteral("\": ") + report.writeFailure();
              }
            }
          }
          done = true;
          return;
        }
      });
      if (done) break;
    }
    note([&] { set.clear(); });
    drawing.close(&lastError);
  }
  if (!lastError.isEmpty()) {
    ui().showMessage(QStringLiteral("提示"),
                     QStringLiteral("提取图签属性值异常, 原因:　\r\r") + lastError);
  }
}

void CAD::WriteErrLog(const QString& message) {
  if (ErrLogPath.isEmpty()) ErrLogPath = joinPath(componentFolder(), kErrLogFileName);
  mobrel::IniFile log(ErrLogPath);
  const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  const QString key =
      uniqueKey(now, [&](const QString& k) { return !log.GetIniKey(kErrLogSection, k).isEmpty(); });
  log.WriteIniKey(kErrLogSection, key, message);
}

}  // namespace tarvik
