// The key element at the head of every block-layout cell's XML: the rarest wide character of
// the cell's name among all layout cells of all templates, the smallest height of the cell's
// texts that hold it, and the template cell whose rectangle meets the layout cell.

#include <libxml/tree.h>

#include <map>
#include <vector>

#include "cell_xml_cache.h"
#include "recognition_state.h"
#include "tarvik/block_layout_file.h"
#include "tarvik/cad.h"
#include "tarvik/child_naming.h"
#include "tarvik/component_paths.h"
#include "tarvik/constants.h"
#include "tarvik/recognition/number_text.h"
#include "tarvik/recognition/record_xml.h"
#include "tarvik/rect_tests.h"

namespace tarvik {

namespace {

// The height written when no text of the cell holds its key.
constexpr double kNoHeight = 10000000;

// The characters of a cell name that count for keys: every "/*/" removed, then the wide
// (double-byte) characters, as code points.
std::vector<QString> wideCharacters(QString name) {
  name.remove(QStringLiteral("/*/"));
  std::vector<QString> out;
  for (const char32_t c : name.toUcs4()) {
    const QString ch = QString::fromUcs4(&c, 1);
    if (strType(ch) == 2) out.push_back(ch);
  }
  return out;
}

// The number at the start of a text, as the runtime's Val reads it: 0 when there is none.
double leadingNumber(const QString& text) {
  const QString t = text.trimmed();
  qsizetype end = 0;
  double value = 0;
  for (qsizetype n = t.size(); n > 0; --n) {
    bool ok = false;
    value = t.left(n).toDouble(&ok);
    if (ok) {
      end = n;
      break;
    }
  }
  return end > 0 ? value : 0;
}

const xmlNode* child(const xmlNode* node, const char* name) {
  for (const xmlNode* c = node ? node->children : nullptr; c; c = c->next) {
    if (c->type == XML_ELEMENT_NODE && xmlStrcmp(c->name, BAD_CAST name) == 0) return c;
  }
  return nullptr;
}

// The smallest height of the record's texts whose "S" holds the key (with an empty key: every
// text with a non-empty "S"); kNoHeight when none does or the record does not parse.
double keyHeight(const QString& record, const QString& key) {
  double h = kNoHeight;
  const XmlDocPtr doc = parseRecordXml(record);
  if (!doc) return h;
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  for (const xmlNode* n = root ? root->children : nullptr; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE || xmlStrcmp(n->name, BAD_CAST "Text") != 0) continue;
    const QString s = nodeText(child(n, "S"));
    const bool holds = key.isEmpty() ? !s.isEmpty() : s.contains(key);
    if (holds) h = std::min(h, leadingNumber(nodeText(child(n, "H"))));
  }
  return h;
}

}  // namespace

class CellXmlRebuild {
 public:
  explicit CellXmlRebuild(CAD& cad) : cad_(cad), cache_(cad.recognition().cellXml) {}

  // The layouts come out as a rebuild of every one would leave them, but a template is redone
  // only when its layout or cell file changed since the last rebuild (or the character counts
  // did), and a layout is written only when its bytes change: the keys depend on nothing else,
  // and a layout already rebuilt from the same files gets the same bytes again. The last
  // template is always redone, for the corner texts and cells it leaves on the object.
  void run() {
    try {
      rebuild();
    } catch (...) {
      // What was half done is not known to be consistent: the next rebuild redoes everything.
      cache_.clear();
      throw;
    }
  }

 private:
  void rebuild() {
    cad_.ReadMods();
    const QString modFolder = templateSubFolder(cad_.ModPath_, kModFolder);
    if (cache_.modFolder != modFolder) {
      cache_.clear();
      cache_.modFolder = modFolder;
    }
    FolderFiles folder(modFolder);
    std::vector<QString> names;
    for (int i = 1; i <= cad_.ModNum; ++i) names.push_back(name(i));
    bool layoutsRead = false;
    const std::vector<bool> changed = restamp(folder, names, layoutsRead);
    bool recount = false;
    if (layoutsRead || names != cache_.names) {
      std::map<QString, int> counts;
      for (const QString& n : names) {
        for (const QString& c : cache_.byName[n].characters) ++counts[c];
      }
      recount = counts != cache_.counts;
      cache_.counts = std::move(counts);
      cache_.names = names;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
      const bool redo = recount || changed[i] || i + 1 == names.size();
      if (redo && rekeyTemplate(names[i]))
        cache_.byName[names[i]].layout = found(folder, names[i], QStringLiteral(".bln"));
    }
  }

  // Stamps every template's files; re-reads the characters of each layout that is new or has
  // changed (setting layoutsRead). True for the templates with a new or changed file.
  std::vector<bool> restamp(FolderFiles& folder, const std::vector<QString>& names,
                            bool& layoutsRead) {
    std::vector<bool> changed(names.size(), false);
    for (std::size_t i = 0; i < names.size(); ++i) {
      const QString& n = names[i];
      const FoundFile layout = found(folder, n, QStringLiteral(".bln"));
      const FoundFile cells = found(folder, n, QStringLiteral(".dat"));
      const bool known = cache_.byName.contains(n);
      CellXmlTemplate& entry = cache_.byName[n];
      if (!known || entry.layout != layout) {
        changed[i] = layoutsRead = true;
        entry.characters.clear();
        for (const CellType& cell : cad_.ReadBlockLayout(n)) {
          for (const QString& c : wideCharacters(cell.name)) entry.characters.push_back(c);
        }
        entry.layout = layout;
      }
      if (entry.cells != cells) changed[i] = true;
      entry.cells = cells;
    }
    return changed;
  }

  // Reads template n's layout and cells, sets the keys and writes the layout back unless it
  // holds those bytes already; true when it was written.
  bool rekeyTemplate(const QString& n) {
    std::vector<CellType> layout = cad_.ReadBlockLayout(n);
    const std::vector<CellType> templateCells = cad_.ReadMod(n);
    for (CellType& cell : layout) rekey(cell, templateCells, cache_.counts);
    const QString path = cad_.modFilePath(n, QStringLiteral(".bln"));
    if (fileHolds(path, encodeBlockLayout(cad_.CornerTexts, layout, path))) return false;
    cad_.SaveBlockLayoutEx(n, layout);
    return true;
  }

  // The file n + extension of the folder and its stamp, with one status call when the file is
  // there under its own name.
  static FoundFile found(FolderFiles& folder, const QString& n, const QString& extension) {
    const QString exact = joinPath(folder.dir(), n + extension);
    FoundFile file{exact, FileStamp::of(exact)};
    if (file.stamp.isRegularFile()) return file;
    file.path = folder.path(n + extension);
    if (file.path != exact) file.stamp = FileStamp::of(file.path);
    return file;
  }

  const QString& name(int i) const { return cad_.ModList.at(static_cast<std::size_t>(i)).n; }

  static void rekey(CellType& cell, const std::vector<CellType>& templateCells,
                    const std::map<QString, int>& counts) {
    QString key;
    int best = 0;
    for (const QString& c : wideCharacters(cell.name)) {
      const int n = counts.at(c);
      if (key.isEmpty() || n < best) {
        key = c;
        best = n;
      }
      if (best == 1) break;
    }
    const double h = keyHeight(cell.s, key);
    // Each cell starts unmatched: a cell that meets no template cell carries no position.
    QString position;
    const double x1 = cell.P1.coordinate(0), y1 = cell.P1.coordinate(1);
    const double x2 = cell.P2.coordinate(0), y2 = cell.P2.coordinate(1);
    for (std::size_t j = 0; j < templateCells.size(); ++j) {
      const CellType& t = templateCells[j];
      if (std::abs(t.T) <= 2) continue;
      if (!tolTest(t.P1.coordinate(0), x1) || !tolTest(t.P2.coordinate(0), x2)) continue;
      if ((t.T < 0 && tolTest(t.P2.coordinate(1), y1)) ||
          (t.T > 0 && tolTest(t.P1.coordinate(1), y2))) {
        position = QString::number(j);
      }
    }
    QString rest = cell.s;
    const qsizetype keyEnd = rest.indexOf(QLatin1String("</KEY>"));
    const qsizetype rootEnd = rest.indexOf(QLatin1String("<Root>"));
    if (keyEnd >= 0) {
      rest = rest.mid(keyEnd + 6);
    } else if (rootEnd >= 0) {
      rest = rest.mid(rootEnd + 6);
    }
    cell.s = QStringLiteral("<Root><KEY><Text>") + xmlEscape(key) +
             QStringLiteral("</Text> <Height> ") + numberText(h) +
             QStringLiteral("</Height><CellLine>") + position +
             QStringLiteral("</CellLine></KEY>") + rest;
    cell.T = static_cast<std::int16_t>(position.isEmpty() ? 0 : position.toInt());
  }

  CAD& cad_;
  CellXmlCache& cache_;
};

void CAD::MakeCellXml() {
  CellXmlRebuild(*this).run();
}

}  // namespace tarvik
