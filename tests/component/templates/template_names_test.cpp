// Template files: a name that would lead out of the template folder or cut the file name short
// is refused before anything is read or written, a pipe at a file's name is neither read nor
// replaced, and a full disk is named.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sheetcut/error.h>
#include <tarvik/cad.h>
#include <tarvik/cell_file.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>

#include "pipe_watchdog.h"
#include "qstring_printer.h"
#include "small_filesystem.h"
#include "templates_test_access.h"

namespace tarvik {
namespace {

QStringList filesUnder(const QString& root) {
  QStringList files;
  QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) files << QDir(root).relativeFilePath(it.next());
  files.sort();
  return files;
}

// Runs `call`, which must fail with an error of type E whose description holds `shown`.
template <class E, class Call>
void expectRefused(Call call, const std::string& shown) {
  try {
    call();
    ADD_FAILURE() << "not refused: " << shown;
  } catch (const E& e) {
    EXPECT_NE(e.description().find("\"" + shown + "\""), std::string::npos) << e.description();
  }
}

TEST(TemplateNames, NamesLeavingTheFolderOrHoldingControlCharactersAreRefused) {
  QTemporaryDir tmp;
  ASSERT_TRUE(QDir().mkpath(tmp.path() + "/store/mod"));
  CAD cad;
  cad.setModPath(tmp.path() + "/store");
  cad.newCell(QStringLiteral("图号"), 1, QStringLiteral("A1"), Variant::point(0, 0, 0),
              Variant::point(10, 5, 0));
  const struct {
    QString name;
    std::string shown;
  } bad[] = {
      {"../../escaped", "../../escaped"},
      {"sub/plan", "sub/plan"},
      {"sub\\plan", "sub\\plan"},
      {"..", ".."},
      {QStringLiteral("nul") + QChar(u'\0') + "x", "nul\\x00x"},
      {"tab\tx", "tab\\x09x"},
  };
  for (const auto& b : bad) {
    SCOPED_TRACE(b.shown);
    expectRefused<sheetcut::Error>([&] { cad.SaveMod(b.name); }, b.shown);
    expectRefused<CellFileError>([&] { cad.ReadMod(b.name); }, b.shown);
    expectRefused<sheetcut::Error>([&] { TemplatesTestAccess::saveBlockLayoutEx(cad, b.name, {}); },
                                   b.shown);
    expectRefused<sheetcut::Error>([&] { TemplatesTestAccess::readBlockLayout(cad, b.name); },
                                   b.shown);
  }
  EXPECT_EQ(filesUnder(tmp.path()), QStringList());
  EXPECT_EQ(cad.CellCount(), 0);  // the refused reads left the working list alone

  // Names with points, blanks and wide characters stay what they were.
  cad.SaveMod(QStringLiteral("A3 图框 v1.2"));
  EXPECT_EQ(filesUnder(tmp.path()), QStringList({"store/mod/A3 图框 v1.2.dat"}));
  EXPECT_EQ(cad.ReadMod(QStringLiteral("A3 图框 v1.2")).size(), 1u);
}

// A pipe where a cell file would be is neither read nor replaced.
TEST(TemplateFiles, APipeIsNeitherReadNorReplaced) {
  QTemporaryDir tmp;
  ASSERT_TRUE(QDir().mkpath(tmp.path() + "/mod"));
  const QString pipe = tmp.path() + "/mod/p.dat";
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  sheetcut::testing::PipeWatchdog watchdog(pipe.toStdString());
  CAD cad;
  cad.setModPath(tmp.path());
  EXPECT_LT(sheetcut::testing::secondsTaken([&] { EXPECT_EQ(cad.ReadMod("p").size(), 0u); }), 1.0);
  cad.newCell(QStringLiteral("a"), 1);
  try {
    cad.SaveMod("p");
    ADD_FAILURE() << "the pipe was replaced";
  } catch (const sheetcut::Error& e) {
    EXPECT_EQ(e.description(), "Cannot replace \"" + pipe.toStdString() +
                                   "\": it is a named pipe, not a regular file");
  }
  EXPECT_TRUE(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());
}

// A cell file that does not fit on the disk is not written, and the error says why.
TEST(TemplateFiles, AFullDiskIsNamed) {
  sheetcut::testing::SmallFileSystem fs(256 * 1024);
  SHEETCUT_REQUIRE_SMALL_FS(fs);
  const QString modPath = QString::fromStdString(fs.root().string());
  ASSERT_TRUE(QDir().mkpath(modPath + "/mod"));
  fs.fill();
  // A list too large to hold back, and one cell, which only the final flush finds no room for.
  for (const int cells : {1, 200}) {
    SCOPED_TRACE(cells);
    CAD cad;
    cad.setModPath(modPath);
    for (int i = 0; i < cells; ++i) {
      cad.newCell(QString(200, QChar(u'格')), 1, QString(), Variant::point(0, 0, 0),
                  Variant::point(10, 5, 0));
    }
    try {
      cad.SaveMod("full");
      ADD_FAILURE() << "saved on a full disk";
    } catch (const sheetcut::Error& e) {
      EXPECT_NE(e.description().find(modPath.toStdString() + "/mod/full.dat"), std::string::npos)
          << e.description();
      EXPECT_NE(e.description().find("the disk is full"), std::string::npos) << e.description();
    }
  }
  fs.release();
  EXPECT_EQ(filesUnder(modPath), QStringList());
}

}  // namespace
}  // namespace tarvik
