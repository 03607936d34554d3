#pragma once

// A frame-definition file as a drawing office keeps it: GB2312, comments, indentation, classes
// with subclasses, five sheets from A0 down to A4, margins, lengthening, line styles and
// title-block entries.

#include <gtest/gtest.h>
#include <sheetcut/ansi_codepage.h>
#include <tarvik/cad.h>
#include <tarvik/scripted_ui.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>

namespace tarvik::frametest {

// Sheets by position: 0 A0 ... 4 A4. A0 to A2 have margins 10 and a left margin of 25, A3 and
// A4 margins 5; every label allowance is 10. A4 may only lie in direction 1.
constexpr const char* kFrameDefs = R"(<?xml version="1.0" encoding="GB2312"?>
<!-- 图框定义 -->
<frameDef>
  <class name="Std" note="standard sheets">
    <subclass key="K1" text="T1">
      <frames>
        <!-- A0 -->
        <frame>
          <size>1189,841,0,0</size>
          <addlong>297,0.5</addlong>
          <spacing_h>10,10,10,25,10</spacing_h>
          <linestyle>1,0.5,3,0.2</linestyle>
          <blocks><b>OLB_TB,1,OLB,0,0,0,ORB,0,0,0</b><!-- no entry --><b>IRT_TB,0,IRT,-180,0,0,IRT,-180,0,0</b></blocks>
        </frame>
        <frame>
          <size>841,594,0,1</size><addlong>210,0.5</addlong><spacing_h>10,10,10,25,10</spacing_h>
          <linestyle>1,0.5,3,0.2</linestyle><blocks><b>OLB_TB,1,OLB,0,0,0</b></blocks>
        </frame>
        <frame>
          <size>594,420,0,2</size><addlong>148.5,0.5</addlong><spacing_h>10,10,10,25,10</spacing_h>
          <linestyle>1,0.5,3,0.2</linestyle><blocks><b>OLB_TB,1,OLB,0,0,0</b></blocks>
        </frame>
        <frame>
          <size>420,297,0,3</size><addlong>105,0.5</addlong><spacing_h>5,5,5,25,10</spacing_h>
          <linestyle>1,0.5,3,0.2</linestyle>
          <blocks><b>OLB_TB,1,OLB,0,0,0,ORB,0,0,0</b><b>irt_tb,0,irt,-180,0,0,IRT,-180,0,1.5707963267948966</b></blocks>
        </frame>
        <frame>
          <size>297,210,1,4</size><addlong>0,0</addlong><spacing_h>5,5,5,25,10</spacing_h>
          <linestyle>7,0.25,7,0.1</linestyle><blocks><b>OLB_TB,1,OLB,0,0,0</b></blocks>
        </frame>
      </frames>
    </subclass>
    <subclass key="K2" text="图框二" third="ignored">
      <frames><f><size>1,1,0,0</size></f></frames>
    </subclass>
  </class>
  <!-- a class of frames that cannot be sized -->
  <class name="简易">
    <subclass key="Z" text="zero">
      <frames>
        <f><size>0,0,0,0</size><addlong>0,0</addlong><spacing_h>0,0,0,0,0</spacing_h><linestyle>1,0,1,0</linestyle><blocks><b>x</b></blocks></f>
        <f><size>0,0,0,0</size><addlong>0,0</addlong><spacing_h>0,0,0,0,0</spacing_h><linestyle>1,0,1,0</linestyle><blocks><b>x</b></blocks></f>
        <f><size>0,0,0,0</size><addlong>0,0</addlong><spacing_h>0,0,0,0,0</spacing_h><linestyle>1,0,1,0</linestyle><blocks><b>x</b></blocks></f>
        <f><size>0,0,0,0</size><addlong>0,0</addlong><spacing_h>0,0,0,0,0</spacing_h><linestyle>1,0,1,0</linestyle><blocks><b>x</b></blocks></f>
        <f><size>0,0,0,0</size><addlong>0,0</addlong><spacing_h>0,0,0,0,0</spacing_h><linestyle>1,0,1,0</linestyle><blocks><b>x</b></blocks></f>
      </frames>
    </subclass>
  </class>
</frameDef>
)";

// Writes UTF-8 `text` to `path` in `encoding`.
inline bool writeEncoded(const QString& path, const std::string& text,
                         const char* encoding = "GB2312") {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  const std::string bytes = sheetcut::convertEncoding(text, "UTF-8", encoding);
  return f.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
         static_cast<qint64>(bytes.size());
}

// A CAD object with a scripted Ui, and kFrameDefs written to defsPath in a temporary folder.
class FrameDefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    cad.setUi(ui);
    defsPath = tmp.path() + "/frames.xml";
    ASSERT_TRUE(writeEncoded(defsPath, kFrameDefs));
  }

  QTemporaryDir tmp;
  std::shared_ptr<ScriptedUi> ui = std::make_shared<ScriptedUi>();
  CAD cad;
  QString defsPath;
};

}  // namespace tarvik::frametest
