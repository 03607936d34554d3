// Drawing a sized frame: the sheet outline and inner border in an anonymous border block, the
// title-block drawings at their anchors, all assembled in a temporary block that is inserted
// (at the frame's point or where the user picks) and exploded.

#include <sheetcut/error.h>

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <map>

#include "host_calls.h"
#include "tarvik/attempt.h"
#include "tarvik/cad.h"
#include "tarvik/component_paths.h"
#include "tarvik/constants.h"

namespace tarvik {

namespace {

const char* const kSource = "DrawFrame";
const QString kInserted = QStringLiteral("成功");

[[noreturn]] void fail(const QString& what) {
  throw sheetcut::Error(sheetcut::errnum::kGeneric, what.toStdString(), kSource);
}

// The title-block drawing `name` in the template folder's drawing folder, found without regard
// to case; "" when there is none.
QString titleBlockFile(const QString& modPath, const QString& name) {
  if (name.isEmpty()) return {};
  const QDir dir(templateSubFolder(modPath, kModDwgFolder));
  const QString wanted = name + kDrawingExtension;
  for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden)) {
    if (entry.compare(wanted, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
  }
  return {};
}

double number(const QStringList& fields, int i, const QString& entry) {
  bool ok = false;
  const double v = fields[i].trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(v))
    fail(QStringLiteral("Title block \"%1\": \"%2\" is not a number").arg(entry, fields[i]));
  return v;
}

// The colour number of a border as the colour variable takes it; 0 and 256 are the colours
// of the block and of the layer.
QString colorText(float v) {
  if (v == 0) return QStringLiteral("BYBLOCK");
  if (v == 256) return QStringLiteral("BYLAYER");
  return QString::number(static_cast<double>(v), 'g', 7);
}

// The host's text variable, "" when it holds something else.
QString textVariable(cadhost::Document& doc, const char* name) {
  const cadhost::Value v = doc.getVariable(name);
  const auto* s = std::get_if<std::string>(&v);
  return s ? QString::fromStdString(*s) : QString();
}

// What a failing drawing leaves behind is taken away again: the temporary blocks (with the
// reference of the frame block when it is still in model space) and the changed settings.
class DrawingScope {
 public:
  DrawingScope(CAD& cad, cadhost::Document doc) : cad_(cad), doc_(doc) {
    env_ = cad.GetACADENV(doc);
  }
  DrawingScope(const DrawingScope&) = delete;
  DrawingScope& operator=(const DrawingScope&) = delete;
  ~DrawingScope() {
    if (finished_) return;
    if (frameRef_) attempt([&] { frameRef_->erase(); });
    if (frameBlock_) attempt([&] { frameBlock_->erase(); });
    // Refused while an exploded copy of the border still refers to it: then it stays.
    if (borderBlock_) attempt([&] { borderBlock_->erase(); });
    for (const auto& item : env_) {
      try {
        cad_.SetACADENV(doc_, AcadEnv{item});
      } catch (const std::exception&) {
        // The error being raised is the one the caller needs to see.
      }
    }
  }

  void setBlocks(cadhost::Block frame, cadhost::Block border) {
    frameBlock_ = frame;
    borderBlock_ = border;
  }
  void setFrameReference(std::optional<cadhost::Entity> ref) { frameRef_ = std::move(ref); }
  // The normal end: the drawing has deleted and restored everything itself.
  void finish() {
    cad_.SetACADENV(doc_, env_);
    finished_ = true;
  }

 private:
  CAD& cad_;
  cadhost::Document doc_;
  AcadEnv env_;
  std::optional<cadhost::Block> frameBlock_, borderBlock_;
  std::optional<cadhost::Entity> frameRef_;
  bool finished_ = false;
};

}  // namespace

void CAD::setTitleBlockFiller(TitleBlockFiller filler) {
  titleBlockFiller_ = std::move(filler);
}

void CAD::DrawFrame(FrameType& dwgFrame, const TitleBlockMsgs& BlkMsgs, bool AutoFlag) {
  cadhost::Document doc = requireDocument(*this, kSource);
  const FrameType& f = dwgFrame;
  if (!(f.Width > 0) || !(f.Height > 0) || !(f.Scale > 0))
    fail(QStringLiteral("The frame has no size or scale (width %1, height %2, scale %3)")
             .arg(f.Width)
             .arg(f.Height)
             .arg(f.Scale));
  const QString guid = NewGuidStr();
  if (guid.isEmpty()) fail(QStringLiteral("No name could be made for the frame block"));

  hostCall(kSource, [&] {
    DrawingScope scope(*this, doc);
    const cadhost::Point3 origin{0, 0, 0};
    cadhost::Block frameBlock = doc.blocks().add(origin, guid.toStdString());
    cadhost::Block borderBlock = doc.blocks().add(origin, "*U");
    scope.setBlocks(frameBlock, borderBlock);

    const double W = f.Width, H = f.Height;
    const auto& s = f.FrmSpacing;
    doc.setVariable("CELTYPE", std::string("Continuous"));
    doc.setVariable("CECOLOR", colorText(f.FrmLineStyle[2]).toStdString());
    cadhost::Entity outer = borderBlock.addLightWeightPolyline({0, 0, 0, H, W, H, W, 0});
    outer.setClosed(true);
    SetLineWidth(outer, f.FrmLineStyle[1]);
    doc.setVariable("CECOLOR", colorText(f.FrmLineStyle[4]).toStdString());
    cadhost::Entity inner = borderBlock.addLightWeightPolyline(
        {s[4], s[3], s[4], H - s[1], W - s[2], H - s[1], W - s[2], s[3]});
    inner.setClosed(true);
    SetLineWidth(inner, f.FrmLineStyle[3]);
    cadhost::Entity borderRef = frameBlock.insertBlock(origin, borderBlock.name(), 1, 1, 1, 0);

    // Title blocks: fill flags by upper-case drawing name; the anchor carries over between
    // entries where a code leaves a coordinate unset.
    std::map<QString, double> fillFlags;
    double X = 0, Y = 0;
    for (const QString& entry : f.BlkFile) {
      QStringList fields = entry.split(u',');
      const QString name = fields[0];
      if (name.contains(u'/') || name.contains(u'\\'))
        fail(QStringLiteral("Title block \"%1\": the name must not hold a folder").arg(entry));
      const QString file = titleBlockFile(ModPath(), name);
      if (file.isEmpty()) continue;
      if (f.DirectFlag == 2) {
        if (fields.size() < 10)
          fail(QStringLiteral("Title block \"%1\" has no placement for direction 2").arg(entry));
        for (int k = 2; k <= 5; ++k) fields[k] = fields[k + 4];
      }
      if (fields.size() < 6) fail(QStringLiteral("Title block \"%1\" needs six fields").arg(entry));
      const QString code = fields[2].toUpper();
      const bool outline = code.startsWith(u'O');
      const QChar side = code.size() > 1 ? code[1] : QChar();
      const QChar edge = code.size() > 2 ? code[2] : QChar();
      if (side == u'L') X = outline ? 0 : s[4];
      if (side == u'R') X = outline ? W : W - s[2];
      if (edge == u'T') Y = outline ? H : H - s[1];
      if (edge == u'B') Y = outline ? 0 : s[3];
      X += number(fields, 3, entry) * f.Scale;
      Y += number(fields, 4, entry) * f.Scale;
      const double rotation = number(fields, 5, entry);
      const double flag = number(fields, 1, entry);
      frameBlock.insertBlock(cadhost::Point3{X, Y, 0}, file.toStdString(), f.Scale, f.Scale,
                             f.Scale, rotation);
      if (!fillFlags.emplace(name.toUpper(), flag).second)
        fail(QStringLiteral("Title block \"%1\" is named twice").arg(name));
    }

    cadhost::Block modelSpace = doc.modelSpace();
    if (AutoFlag) {
      const auto& p = f.InsPoint;
      scope.setFrameReference(modelSpace.insertBlock(cadhost::Point3{p[0], p[1], p[2]},
                                                     guid.toStdString(), 1, 1, 1, 0));
      doc.setVariable("USERS1", kInserted.toStdString());
    } else {
      const QString command =
          QStringLiteral("(Setvar \"UserS1\" \"失败\")(command \"_insert\" \"") + guid +
          QStringLiteral("\" pause 1 1 0)(setvar \"USERS1\" \"成功\" )") + QChar(13);
      const int before = modelSpace.count();
      doc.sendCommand(command.toStdString());
      if (modelSpace.count() > before)
        scope.setFrameReference(modelSpace.item(modelSpace.count() - 1));
    }

    if (textVariable(doc, "USERS1") == kInserted) {
      cadhost::Entity last = modelSpace.item(modelSpace.count() - 1);
      std::vector<cadhost::Entity> parts = last.explode();
      last.erase();
      scope.setFrameReference(std::nullopt);
      for (cadhost::Entity& part : parts) {
        if (part.objectName() != "AcDbBlockReference") continue;
        const QString blockName = QString::fromStdString(part.name());
        if (blockName.startsWith(u'*')) continue;
        const auto flag = fillFlags.find(blockName.toUpper());
        if (flag != fillFlags.end() && flag->second == 1 && !BlkMsgs.empty() && titleBlockFiller_)
          titleBlockFiller_(part, BlkMsgs);
      }
    } else {
      borderRef.erase();
      borderBlock.erase();
    }
    frameBlock.erase();
    scope.finish();
  });
}

}  // namespace tarvik
