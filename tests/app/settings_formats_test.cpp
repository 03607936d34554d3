// cfg.ini, the drawing-number formats and the version text.

#include <gtest/gtest.h>

#include <QFile>
#include <set>

#include "app_test_support.h"
#include "sheetcut_app/app_version.h"
#include "sheetcut_app/dwg_id_format.h"
#include "sheetcut_app/program_config.h"

using namespace sheetcut::app;

namespace {

class ConfigTest : public ::testing::Test {
 protected:
  void set(const QString& key, const QString& value) {
    api.SetINIKeyValue(ini, ini::kFormats, key, value);
  }
  QString get(const QString& key) { return api.GetINIKeyValue(ini, ini::kFormats, key); }

  apptest::Folder folder;
  apptest::FakeServices api;
  QString ini = folder / "cfg.ini";
  ConfigFile config{api, ini};
};

}  // namespace

TEST(DwgIdFormat, MasksOfTheTableAndNothingElse) {
  EXPECT_EQ(GetDwgIDMask("任意 - 任意 - 任意"), "*-*-*");
  EXPECT_EQ(GetDwgIDMask("数字 - 字母 - 任意"), "#*-@*-*");
  EXPECT_EQ(GetDwgIDMask("字母 - 字母 - 数字"), "@*-@*-#*");
  for (const char* other : {"", "字母-字母-数字", "字母 - 字母", "字母 - 字母 - 数字 - 任意",
                            " 字母 - 字母 - 数字", "字母 - 字母 - 数"}) {
    EXPECT_EQ(GetDwgIDMask(QString::fromUtf8(other)), "") << other;
  }
  // Every composable format has a mask of its own.
  std::set<QString> masks;
  for (const QString& a : formatSectionWords())
    for (const QString& b : formatSectionWords())
      for (const QString& c : formatSectionWords())
        masks.insert(GetDwgIDMask(composeFormat(a, b, c)));
  EXPECT_EQ(masks.size(), 27u);
  EXPECT_FALSE(masks.count(QString()));
}

TEST_F(ConfigTest, NoFileOffersTheAnyFormatAndTheOwnFolder) {
  const ConfigInfo info = loadConfigInfo(config, true);
  EXPECT_EQ(info.formats, QStringList{kAnyFormat});
  EXPECT_EQ(info.selected, 0);
  EXPECT_EQ(info.outFolder, "");
  EXPECT_FALSE(info.saveMode.has_value());
  EXPECT_FALSE(QFile::exists(ini));
}

TEST_F(ConfigTest, DefaultFormatSelectsItsEntryOrIsAppended) {
  set("Format1", "字母 - 字母 - 数字");
  set("Format2", "数字 - 数字 - 任意");
  set("DefaultFormat", "数字 - 数字 - 任意");
  ConfigInfo info = loadConfigInfo(config, false);
  EXPECT_EQ(info.formats, (QStringList{"字母 - 字母 - 数字", "数字 - 数字 - 任意"}));
  EXPECT_EQ(info.selected, 1);

  api.DeleteINIKey(ini, ini::kFormats, "DefaultFormat");
  info = loadConfigInfo(config, false);
  EXPECT_EQ(info.formats, (QStringList{"字母 - 字母 - 数字", "数字 - 数字 - 任意", kAnyFormat}));
  EXPECT_EQ(info.selected, 0);

  // Empty keys are skipped; a default missing from the list is offered after it and stays
  // the selected one.
  set("Format1", "");
  set("Format4", "任意 - 数字 - 数字");
  set("DefaultFormat", "字母 - 任意 - 字母");
  info = loadConfigInfo(config, false);
  EXPECT_EQ(info.formats,
            (QStringList{"数字 - 数字 - 任意", "任意 - 数字 - 数字", "字母 - 任意 - 字母"}));
  EXPECT_EQ(info.selected, 2);

  // The preset is never stored as a format, yet it stays the choice once a run used it.
  set("DefaultFormat", kAnyFormat);
  info = loadConfigInfo(config, false);
  EXPECT_EQ(info.formats, (QStringList{"数字 - 数字 - 任意", "任意 - 数字 - 数字", kAnyFormat}));
  EXPECT_EQ(info.selected, 2);
}

TEST_F(ConfigTest, UnusableSaveModeStillLoadsTheFormats) {
  api.SetINIKeyValue(ini, ini::kUserSet, ini::kSaveMode, "7");
  api.SetINIKeyValue(ini, ini::kUserSet, ini::kOutFolder, "/data/Out");
  set("Format1", "字母 - 字母 - 数字");
  set("DefaultFormat", "字母 - 字母 - 数字");
  ConfigInfo info = loadConfigInfo(config, true);
  EXPECT_FALSE(info.saveMode.has_value());
  EXPECT_EQ(info.outFolder, "/data/Out");
  EXPECT_EQ(info.formats, QStringList{"字母 - 字母 - 数字"});

  api.SetINIKeyValue(ini, ini::kUserSet, ini::kSaveMode, "1");
  EXPECT_EQ(loadConfigInfo(config, true).saveMode, SaveMode::ChosenFolder);
  // Without the flag neither folder nor mode is read.
  EXPECT_FALSE(loadConfigInfo(config, false).saveMode.has_value());
}

TEST_F(ConfigTest, FormatStoreAddsOnceDeletesWithoutGapsAndRefusesAnEleventh) {
  FormatStore store(config);
  EXPECT_EQ(store.add("字母 - 字母 - 数字"), FormatStore::AddResult::Added);
  EXPECT_EQ(store.add("字母 - 字母 - 数字"), FormatStore::AddResult::Duplicate);
  EXPECT_EQ(get("Format2"), "");
  store.add("数字 - 数字 - 任意");
  store.add("任意 - 任意 - 字母");
  set("DefaultFormat", "字母 - 字母 - 数字");

  store.remove(0);
  EXPECT_EQ(get("Format1"), "数字 - 数字 - 任意");
  EXPECT_EQ(get("Format2"), "任意 - 任意 - 字母");
  EXPECT_EQ(get("Format3"), "");
  EXPECT_EQ(get("DefaultFormat"), "字母 - 字母 - 数字");
  EXPECT_EQ(FormatStore(config).load(), store.formats());

  const QStringList words = formatSectionWords();
  for (int i = 0; store.formats().size() < kMaxFormats; ++i) {
    store.add(composeFormat(words[i % 3], words[i / 3 % 3], words[2]));
  }
  QFile file(ini);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray before = file.readAll();
  file.close();
  EXPECT_EQ(store.add("数字 - 数字 - 数字"), FormatStore::AddResult::Full);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), before);
  EXPECT_EQ(store.formats().size(), kMaxFormats);
}

TEST_F(ConfigTest, TextsThatAreNoFormatAreNeitherOfferedNorListed) {
  set("Format1", "字母 - 字母 - 数字");
  set("Format2", "garbage###");
  set("Format3", "字母-字母-数字");
  set("Format4", "数字 - 数字 - 任意");
  set("DefaultFormat", "garbage###");
  ConfigInfo info = loadConfigInfo(config, false);
  // The preset takes the default's place, and is what the next run would use.
  EXPECT_EQ(info.formats, (QStringList{"字母 - 字母 - 数字", "数字 - 数字 - 任意", kAnyFormat}));
  EXPECT_EQ(info.formats[info.selected], kAnyFormat);
  FormatStore store(config);
  EXPECT_EQ(store.load(), (QStringList{"字母 - 字母 - 数字", "数字 - 数字 - 任意"}));

  // A default that names a stored format still selects it.
  set("DefaultFormat", "数字 - 数字 - 任意");
  info = loadConfigInfo(config, false);
  EXPECT_EQ(info.selected, 1);
}

TEST_F(ConfigTest, FormatStoreReadsAroundGapsAndWritesAfterTheLastKey) {
  set("Format2", "字母 - 字母 - 数字");
  set("Format3", "数字 - 数字 - 任意");
  FormatStore store(config);
  EXPECT_EQ(store.load(), (QStringList{"字母 - 字母 - 数字", "数字 - 数字 - 任意"}));
  EXPECT_EQ(store.add("任意 - 任意 - 字母"), FormatStore::AddResult::Added);
  EXPECT_EQ(store.add("任意 - 数字 - 字母"), FormatStore::AddResult::Added);
  EXPECT_EQ(get("Format1"), "");
  EXPECT_EQ(get("Format2"), "字母 - 字母 - 数字");
  EXPECT_EQ(get("Format3"), "数字 - 数字 - 任意");
  EXPECT_EQ(get("Format4"), "任意 - 任意 - 字母");
  EXPECT_EQ(get("Format5"), "任意 - 数字 - 字母");
  EXPECT_EQ(FormatStore(config).load(), store.formats());

  // Deleting moves the later formats onto the keys before them; no new gap opens.
  store.remove(1);
  EXPECT_EQ(get("Format2"), "字母 - 字母 - 数字");
  EXPECT_EQ(get("Format3"), "任意 - 任意 - 字母");
  EXPECT_EQ(get("Format4"), "任意 - 数字 - 字母");
  EXPECT_EQ(get("Format5"), "");
  EXPECT_EQ(FormatStore(config).load(), store.formats());

  // With the last key taken, the formats first move down to Format1.
  set("Format10", "数字 - 任意 - 字母");
  store.load();
  ASSERT_EQ(store.formats().size(), 4);
  EXPECT_EQ(store.add("数字 - 数字 - 数字"), FormatStore::AddResult::Added);
  const QStringList expected{"字母 - 字母 - 数字", "任意 - 任意 - 字母", "任意 - 数字 - 字母",
                             "数字 - 任意 - 字母", "数字 - 数字 - 数字"};
  for (int k = 1; k <= kMaxFormats; ++k) {
    EXPECT_EQ(get(ini::formatKey(k)), k <= 5 ? expected[k - 1] : QString()) << k;
  }
  EXPECT_EQ(FormatStore(config).load(), expected);
}

TEST_F(ConfigTest, ChangesThatCannotBeWrittenHoldForTheSessionAndAreToldOnce) {
  set("Format1", "字母 - 字母 - 数字");
  set("DefaultFormat", "字母 - 字母 - 数字");
  FormatStore store(config);
  store.load();
  api.iniWritesFail = true;
  EXPECT_EQ(store.add("数字 - 数字 - 任意"), FormatStore::AddResult::Added);
  EXPECT_EQ(store.add("任意 - 数字 - 字母"), FormatStore::AddResult::Added);
  EXPECT_EQ(store.formats(),
            (QStringList{"字母 - 字母 - 数字", "数字 - 数字 - 任意", "任意 - 数字 - 字母"}));
  // Deleting in the session moves the later formats down there too.
  store.remove(0);
  EXPECT_EQ(FormatStore(config).load(), (QStringList{"数字 - 数字 - 任意", "任意 - 数字 - 字母"}));
  EXPECT_FALSE(config.write(ini::kFormats, "defaultformat", "任意 - 数字 - 字母"));
  const ConfigInfo info = loadConfigInfo(config, false);
  EXPECT_EQ(info.formats, (QStringList{"数字 - 数字 - 任意", "任意 - 数字 - 字母"}));
  EXPECT_EQ(info.selected, 1);

  EXPECT_TRUE(config.failed());
  ASSERT_EQ(api.alerts.size(), 1);
  EXPECT_TRUE(api.alerts[0].startsWith("程序的设置无法保存")) << api.alerts[0].toStdString();
  EXPECT_TRUE(api.alerts[0].endsWith("无法写入 " + ini)) << api.alerts[0].toStdString();
  EXPECT_TRUE(api.errors.isEmpty());
  // The file is as it was.
  EXPECT_EQ(get("Format1"), "字母 - 字母 - 数字");
  EXPECT_EQ(get("Format2"), "");
  EXPECT_EQ(get("DefaultFormat"), "字母 - 字母 - 数字");

  // A change the file takes again replaces the session's.
  api.iniWritesFail = false;
  EXPECT_TRUE(config.write(ini::kFormats, ini::formatKey(1), "数字 - 字母 - 字母"));
  EXPECT_EQ(config.read(ini::kFormats, ini::formatKey(1)), "数字 - 字母 - 字母");
  EXPECT_EQ(get("Format1"), "数字 - 字母 - 字母");
}

TEST(AppVersion, NumbersWithoutLeadingZeros) {
  EXPECT_EQ(versionText(3, 0, 117), "3.0.117");
  EXPECT_EQ(GetAppVersion(), "3.0.117");
}
