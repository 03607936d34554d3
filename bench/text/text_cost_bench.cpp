// text-cost-bench: the seconds that text handling costs at two sizes each, to show that the
// cost grows with the input and no faster. Prints one line a measurement:
//   GetMTextStr on a stacked-fraction code followed by 200,000 and 1,000,000 dividers and no
//   semicolon;
//   single-line wrapping of one cell's text (Wri_Cell_Text) of 16,000 and 1,000,000 characters;
//   TextSplit of a single-line text of 16,000 and 64,000 words;
//   defining 100 and 400 templates: per template, an empty cell list, three cells, SaveMod, in
//   a template folder whose every template has a block layout of four cells.
// `--quick` uses a quarter of each size; naming any of mtext, wrap, words, templates runs only
// those.

#include <cadhost/application.h>
#include <cadhost/document.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "tarvik/block_layout_file.h"
#include "tarvik/cad.h"

namespace {

using tarvik::CAD;
using tarvik::CellType;
using tarvik::Variant;

double seconds(const std::function<void()>& run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A CAD object working on a new drawing of its own host.
struct Drawing {
  Drawing() {
    cad.acadApp = cadhost::Application::create();
    cad.AcadDoc = cad.acadApp->documents().add();
  }
  CAD cad;
};

void mtextPlain(long count) {
  CAD cad;
  const QString text = QStringLiteral("\\S") + QString(count, u'^');
  qsizetype length = 0;
  const double s = seconds([&] { length = cad.GetMTextStr(text).size(); });
  std::printf("GetMTextStr, \\S and %ld dividers: %.3f s (%lld characters out)\n", count, s,
              static_cast<long long>(length));
}

void wrapping(long count) {
  Drawing d;
  QString text;
  const QString piece = QStringLiteral("图号A-01,设计审核1.5 ");
  while (text.size() < count) text += piece;
  text.truncate(count);
  const CellType cell{"说明", Variant::point(0, 0, 0), Variant::point(40, 8, 0), 1, text};
  QString letter = "L";
  int lines = 0;
  const double s = seconds([&] { lines = d.cad.Wri_Cell_Text(cell, 1, letter); });
  std::printf("Wri_Cell_Text, %ld characters: %.3f s (%d lines)\n", count, s, lines);
}

void words(long count) {
  Drawing d;
  std::string text;
  for (long i = 0; i < count; ++i) text += (i % 3 == 0 ? "图号" : "A-") + std::to_string(i) + " ";
  const cadhost::Entity entity = d.cad.AcadDoc->modelSpace().addText(text, {0, 0, 0}, 2.5);
  std::size_t found = 0;
  const double s = seconds([&] { found = d.cad.TextSplit(entity).size() - 1; });
  std::printf("TextSplit, %ld words: %.3f s (%zu words)\n", count, s, found);
}

bool writeFile(const QString& path, const QByteArray& data) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

void templates(int count) {
  QTemporaryDir dir;
  QDir(dir.path()).mkdir("mod");
  QDir(dir.path()).mkdir("moddwg");
  QByteArray list = "<r>";
  const QString names = QStringLiteral("图签目录设计审核比例日期工程名称");
  for (int i = 0; i < count; ++i) {
    const QString name = QStringLiteral("T%1").arg(i);
    list += "<m n='" + name.toUtf8() + "'><c>图签模板</c><p>0,0</p></m>";
    std::vector<CellType> cells;
    for (int c = 0; c < 4; ++c) {
      const QString label = names.mid((i + c) % names.size(), 2) + QString::number(c);
      const QString xml = "<Root><Text><S>" + label + "</S><XL>0</XL><XR>8</XR><Y>0</Y><H>3.5" +
                          "</H></Text></Root>";
      cells.push_back(
          {label, Variant::point(0, c * 10.0, 0), Variant::point(20, c * 10.0 + 8, 0), 9009, xml});
    }
    const QString path = dir.path() + "/mod/" + name + ".bln";
    if (!writeFile(path, tarvik::encodeBlockLayout(std::vector<tarvik::TextType>(5), cells, path)))
      std::printf("cannot write %s\n", qPrintable(path));
  }
  writeFile(dir.path() + "/db.xml", list + "</r>");
  CAD cad;
  cad.setModPath(dir.path());
  const double s = seconds([&] {
    for (int i = 0; i < count; ++i) {
      const QString name = QStringLiteral("T%1").arg(i);
      cad.ReadMod(name);
      for (int c = 0; c < 3; ++c)
        cad.newCell(QStringLiteral("名称"), 3, QString(), Variant::point(0, c * 10.0, 0),
                    Variant::point(20, c * 10.0 + 8, 0));
      cad.SaveMod(name);
    }
  });
  std::printf("SaveMod, defining %d templates: %.3f s\n", count, s);
}

}  // namespace

int main(int argc, char** argv) {
  long div = 1;
  std::set<std::string> only;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0)
      div = 4;
    else
      only.insert(argv[i]);
  }
  auto wanted = [&](const char* part) { return only.empty() || only.count(part) > 0; };
  if (wanted("mtext")) {
    mtextPlain(200000 / div);
    mtextPlain(1000000 / div);
  }
  if (wanted("wrap")) {
    wrapping(16000 / div);
    wrapping(1000000 / div);
  }
  if (wanted("words")) {
    words(16000 / div);
    words(64000 / div);
  }
  if (wanted("templates")) {
    templates(static_cast<int>(100 / div));
    templates(static_cast<int>(400 / div));
  }
  return 0;
}
