// XML access: node selection by path and attribute position, attribute lists, and the action
// record class.

#include <gtest/gtest.h>

#include <sheetcut/ansi_codepage.h>
#include <sheetcut/error.h>
#include <tarvik/cls_xml.h>
#include <tarvik/xml_access.h>
#include <QFile>
#include <QTemporaryDir>

#include "qstring_printer.h"

namespace tarvik {
namespace {

// A file in GB2312 with comments and indentation, as an editor on a Chinese machine saves it.
constexpr const char* kDefs = R"(<?xml version="1.0" encoding="GB2312"?>
<!-- sheet formats -->
<frameDef>
  <!-- first class -->
  <class name="标准" note="x">
    <subclass key="K1" text="图框一"> <frames/> </subclass>
    <!-- a comment between subclasses -->
    <subclass key="K2" text="图框二" third="3"><frames/></subclass>
  </class>
  <class name="Other">
    <subclass key="Z"/>
  </class>
  <class name="标准"><subclass key="dup" text="d"/></class>
</frameDef>
)";

class XmlAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    path = write("defs.xml", kDefs, "GB2312");
  }
  void TearDown() override { mXML::FreeXmlDoc(); }

  QString write(const QString& name, const std::string& utf8, const char* encoding = "UTF-8") {
    const QString p = tmp.path() + "/" + name;
    QFile f(p);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromStdString(sheetcut::convertEncoding(utf8, "UTF-8", encoding)));
    return p;
  }

  QTemporaryDir tmp;
  QString path;
};

TEST_F(XmlAccess, SelectNodeMatchesTheAttributeAtAPosition) {
  XmlNode c = mXML::SelectNode(path, "frameDef/class", 0, "Other");
  ASSERT_TRUE(c);
  EXPECT_EQ(c.nodeName(), "class");
  EXPECT_EQ(*c.attribute(0), "Other");
  // The first of two elements with the same value, case and Chinese text compared exactly.
  c = mXML::SelectNode(path, "frameDef/class", 0, "标准");
  EXPECT_EQ(*c.selectSingleNode("subclass").attribute(0), "K1");
  EXPECT_FALSE(mXML::SelectNode(path, "frameDef/class", 0, "other"));
  // Second attribute position; a node list path through several parents.
  EXPECT_EQ(*mXML::SelectNode(path, "frameDef/class/subclass", 1, "图框二").attribute(0), "K2");
  // One match is taken whatever its attributes; no match is a null node.
  EXPECT_TRUE(mXML::SelectNode(path, "frameDef", 0, "anything"));
  EXPECT_FALSE(mXML::SelectNode(path, "frameDef/nothing", 0, ""));
  // Several matches and one without the attribute: an error for the caller.
  EXPECT_THROW(mXML::SelectNode(path, "frameDef/class/subclass", 2, "3"), sheetcut::Error);
}

TEST_F(XmlAccess, MissingOrMalformedFilesSelectNothing) {
  EXPECT_FALSE(mXML::SelectNode(tmp.path() + "/none.xml", "frameDef", 0, ""));
  const QString bad = write("bad.xml", "<frameDef><class></frameDef>");
  EXPECT_FALSE(mXML::SelectNode(bad, "frameDef", 0, ""));
  XmlNode none;
  EXPECT_EQ(mXML::GetNodeAttrs(bad, "frameDef/class", "0", none), "");
}

TEST_F(XmlAccess, GetNodeAttrsListsAttributesAndReleasesTheStartNode) {
  XmlNode cls = mXML::SelectNode(path, "frameDef/class", 0, "标准");
  ASSERT_TRUE(cls);
  EXPECT_EQ(mXML::GetNodeAttrs(path, "subclass", "0,1", cls), "NULL;NULL,K1,图框一;NULL,K2,图框二");
  EXPECT_TRUE(cls.isNull());
  XmlNode none;
  EXPECT_EQ(mXML::GetNodeAttrs(path, "frameDef/class", "0", none),
            "NULL;NULL,标准;NULL,Other;NULL,标准");
  // Positions in the order asked; the class "Other" has no second attribute.
  EXPECT_THROW(mXML::GetNodeAttrs(path, "frameDef/class", "1,0", none), sheetcut::Error);
}

TEST_F(XmlAccess, GetNodeAttrsEdgeCases) {
  XmlNode none;
  EXPECT_EQ(mXML::GetNodeAttrs(path, "frameDef/nothing", "0", none), "NULL");
  // The second class has a subclass with one attribute only.
  XmlNode other = mXML::SelectNode(path, "frameDef/class", 0, "Other");
  EXPECT_THROW(mXML::GetNodeAttrs(path, "subclass", "0,1", other), sheetcut::Error);
}

TEST_F(XmlAccess, NodesOutliveTheModuleDocument) {
  XmlNode sub = mXML::SelectNode(path, "frameDef/class/subclass", 0, "K2");
  mXML::FreeXmlDoc();
  mXML::SelectNode(path, "frameDef", 0, "");  // another load replaces the document
  EXPECT_EQ(*sub.attribute(2), "3");
  EXPECT_FALSE(sub.attribute(3));
}

TEST_F(XmlAccess, TextChildrenAndWhitespace) {
  const QString p = write("t.xml", R"(<r>
  <a>  x <b>y</b><!-- no --> <![CDATA[z]]></a>
  <!-- c -->
  <?pi data?>
  <a/>
</r>)");
  XmlNode r = mXML::SelectNode(p, "r", 0, "");
  const std::vector<XmlNode> nodes = r.childNodes();
  ASSERT_EQ(nodes.size(), 4u);  // a, comment, processing instruction, a
  EXPECT_TRUE(nodes[1].isComment());
  EXPECT_TRUE(nodes[2].isComment());
  EXPECT_EQ(r.childElements().size(), 2u);
  // Text is all descendant text, whitespace-only pieces left out, comments not text.
  EXPECT_EQ(nodes[0].text(), "  x yz");
  EXPECT_EQ(nodes[0].childNodes().size(), 4u);  // text, b, comment, CDATA
  EXPECT_EQ(nodes[3].text(), "");
}

TEST(ClsXmlTest, BuildsAndReadsAnActionRecord) {
  ClsXml rec;
  EXPECT_EQ(rec.getNodeAttribute("name"), QString());
  EXPECT_EQ(rec.getNodeValue("a"), "");
  rec.createDocument("保存");
  rec.appendNode("File", "a<b>&c.dxf");
  rec.appendNode("Count", "2");
  EXPECT_EQ(rec.getNodeAttribute("name"), QString("保存"));
  EXPECT_EQ(rec.getNodeAttribute("other"), std::nullopt);
  EXPECT_THROW(rec.appendNode("not a name", "x"), sheetcut::Error);

  ClsXml back;
  back.setXml(rec.xml());
  EXPECT_EQ(back.getNodeValue("File"), "a<b>&c.dxf");
  EXPECT_EQ(back.getNodeValue("Count"), "2");
  EXPECT_EQ(back.getNodeValue("Missing"), "");
  const QString text = back.xml();
  EXPECT_LT(text.indexOf("<File>"), text.indexOf("<Count>"));
  EXPECT_EQ(text.count("<action"), 1);

  back.setXml("<action name='x'><a>1</a>");  // malformed
  EXPECT_EQ(back.getNodeValue("a"), "");
  EXPECT_EQ(back.getNodeAttribute("name"), QString());
  back.setXml("<other name='x'/>");  // no record element
  EXPECT_EQ(back.getNodeAttribute("name"), QString());
}

}  // namespace
}  // namespace tarvik
