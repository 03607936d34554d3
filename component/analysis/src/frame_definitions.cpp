#include "tarvik/frame_definitions.h"

#include <sheetcut/error.h>

#include <QHash>

#include <cmath>
#include <exception>
#include <limits>
#include <unordered_map>

#include "tarvik/cad.h"

namespace tarvik {

namespace {

const char* const kSource = "GetFrames";

[[noreturn]] void fail(int entry, const QString& what) {
  throw sheetcut::Error(sheetcut::errnum::kGeneric,
                        "Frame definition " + std::to_string(entry) + ": " + what.toStdString(),
                        kSource);
}

// The comma-separated values of an entry's child element, at least `count` of them.
std::vector<double> values(const XmlNode& entry, int index, const char* element, int count) {
  const XmlNode node = entry.selectSingleNode(QString::fromLatin1(element));
  if (!node) fail(index, QStringLiteral("the element %1 is missing").arg(element));
  const QString text = node.text();
  const QStringList parts = text.split(u',');
  if (parts.size() < count)
    fail(index, QStringLiteral("%1 \"%2\" needs %3 values").arg(element, text).arg(count));
  std::vector<double> out;
  for (int i = 0; i < count; ++i) {
    bool ok = false;
    // QString reads numbers in the C locale whatever the user's locale is.
    const double v = parts[i].trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
      fail(index, QStringLiteral("%1: \"%2\" is not a number").arg(element, parts[i]));
    out.push_back(v);
  }
  return out;
}

float single(int index, const char* element, double v) {
  if (std::fabs(v) > std::numeric_limits<float>::max())
    fail(index, QStringLiteral("%1: %2 is too large").arg(element).arg(v));
  return static_cast<float>(v);
}

std::int16_t integer(int index, const char* element, double v) {
  const double r = std::nearbyint(v);  // halves to the even neighbour
  if (r < std::numeric_limits<std::int16_t>::min() || r > std::numeric_limits<std::int16_t>::max())
    fail(index, QStringLiteral("%1: %2 is not a small integer").arg(element).arg(v));
  return static_cast<std::int16_t>(r);
}

FrameType readEntry(const XmlNode& entry, int index) {
  FrameType f;
  f.ID = static_cast<std::int16_t>(index);
  const std::vector<double> size = values(entry, index, "size", 4);
  f.Width = single(index, "size", size[0]);
  f.Height = single(index, "size", size[1]);
  f.DirectFlag = integer(index, "size", size[2]);
  f.ValA1 = single(index, "size", size[3]);
  const std::vector<double> addlong = values(entry, index, "addlong", 2);
  f.ExtWidth = single(index, "addlong", addlong[0]);
  f.ExtValA1 = single(index, "addlong", addlong[1]);
  const std::vector<double> spacing = values(entry, index, "spacing_h", 5);
  for (int k = 0; k < 5; ++k) f.FrmSpacing[k + 1] = single(index, "spacing_h", spacing[k]);
  // The file gives colour and width pairwise; the record keeps width first.
  const std::vector<double> style = values(entry, index, "linestyle", 4);
  f.FrmLineStyle[1] = single(index, "linestyle", style[1]);
  f.FrmLineStyle[2] = single(index, "linestyle", style[0]);
  f.FrmLineStyle[3] = single(index, "linestyle", style[3]);
  f.FrmLineStyle[4] = single(index, "linestyle", style[2]);

  const XmlNode blocks = entry.selectSingleNode(QStringLiteral("blocks"));
  if (!blocks) fail(index, QStringLiteral("the element blocks is missing"));
  QString joined;
  for (const XmlNode& b : blocks.childNodes())
    if (!b.isComment()) joined += b.text() + u'~';
  if (joined.isEmpty()) fail(index, QStringLiteral("blocks names no title block"));
  joined.chop(1);
  f.BlkFile = joined.split(u'~');
  return f;
}

}  // namespace

QStringList listFrameTypes(const QString& xmlFilePath) {
  QStringList out;
  try {
    const XmlNode root = mXML::SelectNode(xmlFilePath, QStringLiteral("frameDef"), 0, QString());
    if (!root) throw sheetcut::Error(sheetcut::errnum::kGeneric, "no frameDef element");
    // Each class is looked up by name in the document read once: the first class element of
    // that name, the only one when there is one, and an error when a class element without a
    // name comes first.
    const std::vector<XmlNode> classes = root.selectNodes(QStringLiteral("class"));
    std::unordered_map<QString, std::size_t> byName;
    std::size_t firstUnnamed = classes.size();
    for (std::size_t i = 0; i < classes.size(); ++i) {
      const std::optional<QString> name = classes[i].attribute(0);
      if (name) {
        byName.try_emplace(*name, i);
      } else if (firstUnnamed == classes.size()) {
        firstUnnamed = i;
      }
    }
    for (const XmlNode& child : root.childElements()) {
      const std::optional<QString> className = child.attribute(0);
      if (!className) throw sheetcut::Error(sheetcut::errnum::kGeneric, "a class has no name");
      XmlNode cls;
      if (classes.size() == 1) {
        cls = classes.front();
      } else {
        const auto it = byName.find(*className);
        const std::size_t at = it == byName.end() ? classes.size() : it->second;
        if (firstUnnamed < at)
          throw sheetcut::Error(sheetcut::errnum::kGeneric, "a class element has no name");
        if (at == classes.size()) continue;  // no such class: it offers no subclass
        cls = classes[at];
      }
      const QString attrs =
          mXML::GetNodeAttrs(xmlFilePath, QStringLiteral("subclass"), QStringLiteral("0,1"), cls);
      const QStringList pieces = attrs.split(u';');
      for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QStringList fields = pieces[i].split(u',');
        if (fields.size() < 3)
          throw sheetcut::Error(sheetcut::errnum::kGeneric, "a subclass lacks an attribute");
        out.append(fields[2] + u'=' + *className + QChar(0xFF1A) + fields[1]);
      }
    }
  } catch (const std::exception&) {
    // Whatever failed (a file too large to hold included), the caller gets an empty list.
    out.clear();
  }
  mXML::FreeXmlDoc();
  return out;
}

std::vector<FrameType> readFrameDefinitions(const XmlNode& frames) {
  const std::vector<XmlNode> entries = frames.childElements();
  if (entries.empty())
    throw sheetcut::Error(sheetcut::errnum::kGeneric,
                          "The frames element holds no frame definition", kSource);
  if (entries.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()) + 1)
    throw sheetcut::Error(sheetcut::errnum::kOverflow,
                          "The frames element holds too many frame definitions", kSource);
  std::vector<FrameType> out;
  out.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i)
    out.push_back(readEntry(entries[i], static_cast<int>(i)));
  return out;
}

void CAD::GetFrameType(const QString& xmlFilePath, QStringList& rtnCollection) {
  FrameDefPath = xmlFilePath;
  rtnCollection = listFrameTypes(xmlFilePath);
}

std::vector<FrameType> CAD::GetFrames(const XmlNode& oXFNode) const {
  return readFrameDefinitions(oXFNode);
}

}  // namespace tarvik
