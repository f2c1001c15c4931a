#include "core/preferences.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QSettings>
#include <QString>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/additional_options.h"
#include "core/main_settings.h"

namespace quorbel::app {
namespace {

namespace fs = std::filesystem;

// Preferences in an INI file of a temporary folder; the user's own settings are never touched.
class PreferencesTest : public testing::Test {
 protected:
  PreferencesTest() {
    std::string pattern = (fs::temp_directory_path() / "quorbel-prefs-XXXXXX").string();
    folder = fs::path(mkdtemp(pattern.data()));
    file = folder / "Quorbel.ini";
  }
  ~PreferencesTest() override { fs::remove_all(folder); }

  QSettings Store() const { return QSettings(QString::fromStdString(file.string()), QSettings::IniFormat); }
  void WriteIni(const std::string& text) const { std::ofstream(file) << "[General]\n" << text; }
  QString Value(const char* name) const { return Store().value(name).toString(); }

  fs::path folder;
  fs::path file;
  MainSettings main;
  AdditionalOptions dialog{main};
};

TEST_F(PreferencesTest, FirstRunWritesTheCurrentValues) {
  main.EditOutputFolder = "/initial";
  auto store = Store();
  LoadSettings(store, main, dialog);
  EXPECT_EQ(main.EditOutputFolder, "");
  EXPECT_EQ(main.ComboOutputFormat.ItemIndex(), 0);
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(Value("Output Folder"), "");
  EXPECT_EQ(Value("ComboOutputFormat"), "0");
  EXPECT_EQ(Value("Overwrite"), "0");
  EXPECT_EQ(Value("DropDownItems"), "27");
  EXPECT_EQ(Value("LetterBox"), "0");
}

TEST_F(PreferencesTest, RoundTripsTheFiveValues) {
  main.EditOutputFolder = "/home/user/Vidéos out";
  main.ComboOutputFormat.SetItemIndex(16);
  dialog.CheckBoxOverWrite = true;
  dialog.SetSpinEdit1(40);
  dialog.ComboLetterBox.SetItemIndex(1);
  {
    auto store = Store();
    ASSERT_TRUE(SaveSettings(store, main, dialog));
  }

  MainSettings loaded;
  AdditionalOptions loadedDialog(loaded);
  auto store = Store();
  LoadSettings(store, loaded, loadedDialog);
  EXPECT_EQ(loaded.EditOutputFolder, "/home/user/Vidéos out");
  EXPECT_EQ(loaded.ComboOutputFormat.ItemIndex(), 16);
  EXPECT_TRUE(loadedDialog.CheckBoxOverWrite);
  EXPECT_EQ(loadedDialog.SpinEdit1(), 40);
  EXPECT_EQ(loadedDialog.ComboLetterBox.Text(), "LetterBox");
  // The changed drop-down value ran the format change handling once.
  EXPECT_EQ(loaded.OutputTag(), "MPG");
  EXPECT_EQ(loaded.OutputFormatDropDownCount(), 40);
}

TEST_F(PreferencesTest, SelectingTheStoredFormatDoesNotApplyItsProfile) {
  WriteIni("ComboOutputFormat=16\nOverwrite=0\nDropDownItems=27\nLetterBox=0\n");
  auto store = Store();
  LoadSettings(store, main, dialog);
  EXPECT_EQ(main.ComboOutputFormat.Text(), "Video CD (*.mpg)");
  EXPECT_EQ(main.OutputTag(), "");
  EXPECT_EQ(main.Controls.ComboVideoCodec.Count(), 0);
  main.ComboOutputFormatChange();  // the window's first showing
  EXPECT_EQ(main.OutputTag(), "MPG");
}

TEST_F(PreferencesTest, StoredValuesAreLimitedOrSkipped) {
  struct Case {
    const char* ini;
    int format;
    int dropDownItems;
    int letterBox;
  };
  const Case cases[] = {
      {"ComboOutputFormat=0\nOverwrite=0\nDropDownItems=10\nLetterBox=0\n", 0, 26, 0},
      {"ComboOutputFormat=0\nOverwrite=0\nDropDownItems=100\nLetterBox=0\n", 0, 47, 0},
      {"ComboOutputFormat=-1\nOverwrite=0\nDropDownItems=-5\nLetterBox=-2\n", 0, 27, 0},
      {"ComboOutputFormat=99\nOverwrite=0\nDropDownItems=27\nLetterBox=7\n", -1, 27, -1},
  };
  for (const Case& c : cases) {
    MainSettings freshMain;
    AdditionalOptions freshDialog(freshMain);
    WriteIni(c.ini);
    auto store = Store();
    LoadSettings(store, freshMain, freshDialog);
    EXPECT_EQ(freshMain.ComboOutputFormat.ItemIndex(), c.format) << c.ini;
    EXPECT_EQ(freshDialog.SpinEdit1(), c.dropDownItems) << c.ini;
    EXPECT_EQ(freshDialog.ComboLetterBox.ItemIndex(), c.letterBox) << c.ini;
  }
}

TEST_F(PreferencesTest, AnUnreadableIntegerStopsLoadingAndSavesWhatIsHeld) {
  WriteIni("Output%20Folder=/media/out\nComboOutputFormat=5\nOverwrite=yes\nDropDownItems=40\nLetterBox=1\n");
  auto store = Store();
  LoadSettings(store, main, dialog);
  EXPECT_EQ(main.EditOutputFolder, "/media/out");
  EXPECT_EQ(main.ComboOutputFormat.ItemIndex(), 5);
  EXPECT_FALSE(dialog.CheckBoxOverWrite);
  EXPECT_EQ(dialog.SpinEdit1(), 27);
  EXPECT_EQ(dialog.ComboLetterBox.ItemIndex(), 0);
  EXPECT_EQ(Value("Output Folder"), "/media/out");
  EXPECT_EQ(Value("ComboOutputFormat"), "5");
  EXPECT_EQ(Value("Overwrite"), "0");
  EXPECT_EQ(Value("DropDownItems"), "27");
  EXPECT_EQ(Value("LetterBox"), "0");
}

TEST_F(PreferencesTest, AFailedWriteIsReportedWithoutThrowing) {
  QSettings store(QStringLiteral("/dev/null/Quorbel.ini"), QSettings::IniFormat);
  EXPECT_FALSE(SaveSettings(store, main, dialog));
}

TEST_F(PreferencesTest, UserPreferencesLiveUnderTamseryQuorbel) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(folder.string()));
  const auto store = OpenUserPreferences();
  EXPECT_EQ(store->fileName().toStdString(), (folder / "Tamsery" / "Quorbel.ini").string());
  EXPECT_EQ(store->format(), QSettings::IniFormat);
}

}  // namespace
}  // namespace quorbel::app
