#include "core/additional_options.h"

#include <gtest/gtest.h>

#include "core/main_settings.h"

namespace quorbel::app {
namespace {

class AdditionalOptionsTest : public testing::Test {
 protected:
  void Choose(const char* line) {
    main.ComboOutputFormat.SelectText(line);
    main.ComboOutputFormatChange();
  }

  MainSettings main;
  AdditionalOptions dialog{main};
};

TEST_F(AdditionalOptionsTest, StartsWithItsDefaults) {
  EXPECT_EQ(dialog.ComboLetterBox.Items(), (std::vector<std::string>{"None", "LetterBox"}));
  EXPECT_EQ(dialog.ComboLetterBox.Text(), "None");
  EXPECT_EQ(dialog.ComboAspectRatio4.Items(),
            (std::vector<std::string>{"Original", "4:3 (Standard)", "16:9 (Wide Screen)"}));
  EXPECT_EQ(dialog.ComboAspectRatio4.Text(), "Original");
  EXPECT_FALSE(dialog.CheckBoxOverWrite);
  EXPECT_EQ(dialog.SpinEdit1(), 27);
}

TEST_F(AdditionalOptionsTest, AspectChoiceIsMirroredIntoTheHiddenListByIndex) {
  dialog.ComboAspectRatio4.SetItemIndex(2);
  dialog.ComboAspectRatio4Change();
  EXPECT_EQ(main.Controls.ComboAspectRatio.Text(), "16:9");
  dialog.ComboAspectRatio4.SetItemIndex(1);
  dialog.ComboAspectRatio4Change();
  EXPECT_EQ(main.Controls.ComboAspectRatio.Text(), "4:3");
}

TEST_F(AdditionalOptionsTest, AProfileResetsTheHiddenAspectWhileTheDialogKeepsShowingItsChoice) {
  dialog.ComboAspectRatio4.SetItemIndex(2);
  dialog.ComboAspectRatio4Change();
  Choose("Video CD (*.mpg)");  // leaves the aspect unchanged
  EXPECT_EQ(main.Controls.ComboAspectRatio.Text(), "16:9");
  Choose("MP4 - MPEG4 Video (*.mp4)");
  EXPECT_EQ(main.Controls.ComboAspectRatio.Text(), "Original");
  EXPECT_EQ(dialog.ComboAspectRatio4.ItemIndex(), 2);
}

TEST_F(AdditionalOptionsTest, DropDownItemsAreHeldToTheirLimits) {
  dialog.SetSpinEdit1(10);
  EXPECT_EQ(dialog.SpinEdit1(), 26);
  dialog.SetSpinEdit1(100);
  EXPECT_EQ(dialog.SpinEdit1(), 47);
  dialog.SetSpinEdit1(30);
  EXPECT_EQ(dialog.SpinEdit1(), 30);
}

TEST_F(AdditionalOptionsTest, ChangingDropDownItemsResetsTheListsToTheProfileDefaults) {
  Choose("WMV - Windows Media Video (*.wmv)");
  main.Controls.ComboVideoBitrate.SelectText("200 Kbps");
  dialog.SetSpinEdit1(27);  // unchanged value: no change handling
  EXPECT_EQ(main.Controls.ComboVideoBitrate.Text(), "200 Kbps");
  dialog.SetSpinEdit1(35);
  EXPECT_EQ(main.Controls.ComboVideoBitrate.Text(), "1200 Kbps");
  EXPECT_EQ(main.OutputFormatDropDownCount(), 35);
}

TEST(AdditionalOptionsLifetime, TheWindowFallsBackTo25WhenTheDialogIsGone) {
  MainSettings main;
  {
    AdditionalOptions dialog(main);
    dialog.SetSpinEdit1(45);
  }
  main.ComboOutputFormatChange();
  EXPECT_EQ(main.OutputFormatDropDownCount(), 25);
}

}  // namespace
}  // namespace quorbel::app
