// Frame definitions: the subclass listing of a frame-definition file and the records read from
// a frames element.

#include <gtest/gtest.h>

#include <sheetcut/error.h>
#include <tarvik/cad.h>
#include <tarvik/scripted_ui.h>
#include <QLocale>
#include <QTemporaryDir>
#include <clocale>

#include "frame_defs_fixture.h"
#include "qstring_printer.h"

namespace tarvik {
namespace {

using frametest::writeEncoded;

class FrameDefinitions : public frametest::FrameDefsTest {
 protected:
  XmlNode framesOf(const QString& key) {
    XmlNode sub = mXML::SelectNode(defsPath, "frameDef/class/subclass", 0, key);
    return sub.selectSingleNode("frames");
  }
  // A frames element of one entry made of `entry`.
  XmlNode oneEntry(const std::string& entry) {
    const QString p = tmp.path() + "/one.xml";
    EXPECT_TRUE(writeEncoded(p, "<frames><f>" + entry + "</f></frames>", "UTF-8"));
    return mXML::SelectNode(p, "frames", 0, "");
  }
};

TEST_F(FrameDefinitions, ListsEverySubclassOfTheFile) {
  QStringList list{"stale"};
  cad.GetFrameType(defsPath, list);
  // Second attribute, class name, the full-width colon, first attribute; a third attribute is
  // not listed; comments between classes are no classes.
  EXPECT_EQ(list, QStringList({QString::fromUtf8("T1=Std：K1"), QString::fromUtf8("图框二=Std：K2"),
                               QString::fromUtf8("zero=简易：Z")}));
  EXPECT_EQ(list[0].at(6), QChar(0xFF1A));
}

TEST_F(FrameDefinitions, ListingFailuresGiveAnEmptyListAndKeepThePath) {
  QStringList list;
  cad.GetFrameType(defsPath, list);
  cad.GetFrameType(tmp.path() + "/missing.xml", list);
  EXPECT_TRUE(list.isEmpty());
  // Sizing reads the file named last, which cannot be read.
  std::vector<double> p0{0, 0}, p1{100, 100};
  EXPECT_THROW(cad.ComputeFrameSize("K1", p0, p1, 1, 0, false), sheetcut::Error);

  const QString noName = tmp.path() + "/noname.xml";
  ASSERT_TRUE(
      writeEncoded(noName, "<frameDef><class><subclass key='a' text='b'/></class></frameDef>"));
  list = QStringList{"x"};
  cad.GetFrameType(noName, list);
  EXPECT_TRUE(list.isEmpty());
  const QString oneAttr = tmp.path() + "/oneattr.xml";
  ASSERT_TRUE(
      writeEncoded(oneAttr, "<frameDef><class n='c'><subclass key='a'/></class></frameDef>"));
  cad.GetFrameType(oneAttr, list);
  EXPECT_TRUE(list.isEmpty());
  // One class and one subclass are found whatever their attribute values.
  const QString single = tmp.path() + "/single.xml";
  ASSERT_TRUE(writeEncoded(single,
                           "<frameDef><group n='c'><subclass key='a' text='b'/></group>"
                           "<class n='d'><subclass key='e' text='f'/></class></frameDef>"));
  cad.GetFrameType(single, list);
  EXPECT_EQ(list, QStringList({"f=c：e", "f=d：e"}));
}

TEST_F(FrameDefinitions, ManyClassesAreListedFromOneReadAndTheFirstOfANameWins) {
  constexpr int kClasses = 3000;
  std::string xml = "<frameDef>";
  for (int i = 0; i < kClasses; ++i) {
    const std::string n = std::to_string(i);
    xml += "<class n='C" + n + "'><subclass key='k" + n + "' text='t" + n + "'/></class>";
  }
  // A second class of an earlier name lists the first one's subclasses again.
  xml += "<class n='C7'><subclass key='other' text='x'/></class></frameDef>";
  const QString many = tmp.path() + "/many.xml";
  ASSERT_TRUE(writeEncoded(many, xml));
  QStringList list;
  cad.GetFrameType(many, list);
  ASSERT_EQ(list.size(), kClasses + 1);
  EXPECT_EQ(list[0], QString::fromUtf8("t0=C0：k0"));
  EXPECT_EQ(list[kClasses - 1], QString::fromUtf8("t2999=C2999：k2999"));
  EXPECT_EQ(list[kClasses], QString::fromUtf8("t7=C7：k7"));

  // A nameless class before the one looked up makes the listing fail.
  const QString nameless = tmp.path() + "/nameless.xml";
  ASSERT_TRUE(writeEncoded(nameless,
                           "<frameDef><class n='a'><subclass key='k' text='t'/></class><class/>"
                           "<class n='b'><subclass key='k' text='t'/></class></frameDef>"));
  cad.GetFrameType(nameless, list);
  EXPECT_TRUE(list.isEmpty());
}

TEST_F(FrameDefinitions, EntityExpansionIsRefusedNamingTheFile) {
  // 20,000 uses of a 1,000-character entity: 20 MB of text from a file of 100 KB.
  std::string xml = "<!DOCTYPE frameDef [<!ENTITY big \"" + std::string(1000, 'x') +
                    "\">]><frameDef><class n='c'><subclass key='a' text='";
  for (int i = 0; i < 20000; ++i) xml += "&big;";
  xml += "'/></class></frameDef>";
  const QString bomb = tmp.path() + "/bomb.xml";
  ASSERT_TRUE(writeEncoded(bomb, xml));
  try {
    mXML::SelectNode(bomb, "frameDef", 0, "");
    ADD_FAILURE() << "the file was read";
  } catch (const sheetcut::Error& e) {
    EXPECT_NE(std::string(e.what()).find(bomb.toStdString()), std::string::npos) << e.what();
  }
  QStringList list{"x"};
  cad.GetFrameType(bomb, list);
  EXPECT_TRUE(list.isEmpty());

  // An entity used a few times is still replaced by its text; an external one is not read.
  const QString small = tmp.path() + "/small.xml";
  ASSERT_TRUE(writeEncoded(small,
                           "<!DOCTYPE frameDef [<!ENTITY n \"K1\"><!ENTITY ext SYSTEM "
                           "\"/etc/hostname\">]><frameDef><class n='c'><subclass key='&n;' "
                           "text='&n;&n;'/></class><class n='d'><subclass key='x' "
                           "text='t'>&ext;</subclass></class></frameDef>"));
  cad.GetFrameType(small, list);
  EXPECT_EQ(list.value(0), QString::fromUtf8("K1K1=c：K1"));
}

TEST_F(FrameDefinitions, ReadsRecordsOfAFramesElement) {
  const std::vector<FrameType> defs = cad.GetFrames(framesOf("K1"));
  ASSERT_EQ(defs.size(), 5u);  // the comment in frames is no entry
  for (std::size_t i = 0; i < defs.size(); ++i) EXPECT_EQ(defs[i].ID, static_cast<int>(i));
  const FrameType& a0 = defs[0];
  EXPECT_EQ(a0.Width, 1189.0f);
  EXPECT_EQ(a0.Height, 841.0f);
  EXPECT_EQ(a0.DirectFlag, 0);
  EXPECT_EQ(a0.ValA1, 0.0f);
  EXPECT_EQ(a0.ExtWidth, 297.0f);
  EXPECT_EQ(a0.ExtValA1, 0.5f);
  EXPECT_EQ(a0.FrmSpacing, (std::array<float, 6>{0, 10, 10, 10, 25, 10}));
  // "1,0.5,3,0.2": colour and width swapped pairwise.
  EXPECT_EQ(a0.FrmLineStyle, (std::array<float, 5>{0, 0.5f, 1, 0.2f, 3}));
  // The comment inside blocks adds no title block.
  EXPECT_EQ(a0.BlkFile,
            QStringList({"OLB_TB,1,OLB,0,0,0,ORB,0,0,0", "IRT_TB,0,IRT,-180,0,0,IRT,-180,0,0"}));
  EXPECT_EQ(a0.ExtCount, 0);
  EXPECT_EQ(a0.Scale, 0);
  EXPECT_EQ(a0.InsPoint, (Point3d{0, 0, 0}));
  EXPECT_EQ(defs[4].DirectFlag, 1);
  EXPECT_EQ(defs[4].ValA1, 4.0f);
  EXPECT_EQ(defs[3].FrmSpacing[4], 25.0f);
}

TEST_F(FrameDefinitions, NumbersAreReadTheSameInAGermanLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // where the system has it
  const std::vector<FrameType> defs = cad.GetFrames(framesOf("K1"));
  std::setlocale(LC_NUMERIC, saved.c_str());
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(defs[0].FrmLineStyle[1], 0.5f);
  EXPECT_EQ(defs[2].ExtWidth, 148.5f);
}

TEST_F(FrameDefinitions, BadEntriesRaiseNamingTheEntry) {
  const std::string rest =
      "<addlong>0,0</addlong><spacing_h>1,2,3,4,5</spacing_h><linestyle>1,2,3,4</linestyle>";
  // A complete entry reads; extra values are ignored; blanks around numbers are allowed.
  std::vector<FrameType> ok = cad.GetFrames(
      oneEntry("<size> 10 , 20,2,0,99</size>" + rest + "<blocks><b>a~b</b></blocks>"));
  ASSERT_EQ(ok.size(), 1u);
  EXPECT_EQ(ok[0].DirectFlag, 2);
  EXPECT_EQ(ok[0].BlkFile, QStringList({"a", "b"}));

  auto expectError = [&](const std::string& entry, const char* words) {
    try {
      cad.GetFrames(oneEntry(entry));
      ADD_FAILURE() << "no error for " << entry;
    } catch (const sheetcut::Error& e) {
      EXPECT_NE(e.description().find(words), std::string::npos) << e.description();
    }
  };
  expectError(rest + "<blocks><b>a</b></blocks>", "size is missing");
  expectError("<size>10,20,0</size>" + rest + "<blocks><b>a</b></blocks>", "needs 4 values");
  expectError("<size>10,x,0,0</size>" + rest + "<blocks><b>a</b></blocks>",
              "\"x\" is not a number");
  expectError("<size>10,1e40,0,0</size>" + rest + "<blocks><b>a</b></blocks>", "too large");
  expectError("<size>10,20,0,0</size>" + rest + "<blocks><!-- none --></blocks>", "no title block");
  expectError("<size>10,20,0,0</size>" + rest, "blocks is missing");
  EXPECT_THROW(cad.GetFrames(mXML::SelectNode(tmp.path() + "/one.xml", "frames/f/size", 0, "")),
               sheetcut::Error);  // no entries at all
}

}  // namespace
}  // namespace tarvik
