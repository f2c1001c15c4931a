#include "core/main_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/additional_options.h"

namespace quorbel::app {
namespace {

class RecordedCells : public OutputCellsView {
 public:
  void SetOutputCells(const std::string& tag) override { tags.push_back(tag); }
  std::vector<std::string> tags;
};

class MainSettingsTest : public testing::Test {
 protected:
  MainSettingsTest() { main.SetOutputCellsView(&cells); }

  // The user picks a line of the format list.
  void Choose(const std::string& line) {
    main.ComboOutputFormat.SelectText(line);
    ASSERT_GE(main.ComboOutputFormat.ItemIndex(), 0) << line;
    main.ComboOutputFormatChange();
  }
  void ChooseIndex(int index) {
    main.ComboOutputFormat.SetItemIndex(index);
    main.ComboOutputFormatChange();
  }

  MainSettings main;
  RecordedCells cells;
};

constexpr int kFirstSeparator = 18;
constexpr int kVideoCdLine = 16;

TEST_F(MainSettingsTest, StartsWithTheFirstLineAndEmptyLists) {
  EXPECT_EQ(main.ComboOutputFormat.Count(), 62);
  EXPECT_EQ(main.ComboOutputFormat.ItemIndex(), 0);
  EXPECT_EQ(main.OutputFormatDropDownCount(), 25);
  EXPECT_EQ(main.LastFormatIndex(), 0);
  EXPECT_EQ(main.OutputTag(), "");
  EXPECT_EQ(main.AppliedFormat(), nullptr);
  EXPECT_EQ(main.Controls, SettingControls());
  EXPECT_EQ(main.Controls.ComboAudioChannels.Text(), "Stereo");
  EXPECT_EQ(main.Controls.ComboAspectRatio.Text(), "Original");
  EXPECT_EQ(main.Controls.ComboVideoCodec.Count(), 0);
  EXPECT_EQ(main.TrackBar1Position(), 5);
  EXPECT_EQ(main.LabelVolume(), "100%");
  EXPECT_EQ(main.VolumeLevel(), 255);
}

TEST_F(MainSettingsTest, FillOutputFormatsSetsTheLineCountAndSelectsTheFirstLine) {
  main.ComboOutputFormat.SetItemIndex(7);
  main.FillOutputFormats();
  EXPECT_EQ(main.ComboOutputFormat.Count(), 62);
  EXPECT_EQ(main.ComboOutputFormat.ItemIndex(), 0);
  EXPECT_EQ(main.OutputFormatDropDownCount(), 62);
}

TEST_F(MainSettingsTest, FormatChangeSetsTheTagTheCellsAndTheProfile) {
  ChooseIndex(kVideoCdLine);
  EXPECT_EQ(main.ComboOutputFormat.Text(), "Video CD (*.mpg)");
  EXPECT_EQ(main.OutputTag(), "MPG");
  EXPECT_EQ(cells.tags, std::vector<std::string>{"MPG"});
  EXPECT_EQ(main.LastFormatIndex(), kVideoCdLine);
  EXPECT_EQ(main.Controls.ComboVideoBitrate.Text(), "1150 Kbps");
  ASSERT_NE(main.AppliedFormat(), nullptr);
  EXPECT_EQ(main.AppliedFormat()->DisplayName, "Video CD (*.mpg)");
}

TEST_F(MainSettingsTest, FirstSeparatorRightAfterStartReturnsToTheFirstLine) {
  ChooseIndex(kFirstSeparator);
  EXPECT_EQ(main.ComboOutputFormat.ItemIndex(), 0);
  EXPECT_EQ(main.ComboOutputFormat.Text(), "3GP - Mobile Video Format (*.3gp)");
  EXPECT_TRUE(cells.tags.empty());
  EXPECT_EQ(main.OutputTag(), "");
  EXPECT_EQ(main.Controls, SettingControls());
}

TEST_F(MainSettingsTest, SeparatorKeepsTheListsAndTheUsersChoices) {
  ChooseIndex(kVideoCdLine);
  main.Controls.ComboAudioBitrate.SelectText("64 Kbps");
  const SettingControls before = main.Controls;
  for (int line = 0; line < main.ComboOutputFormat.Count(); ++line) {
    if (!IsSeparatorLine(main.ComboOutputFormat.Items()[line])) continue;
    ChooseIndex(line);
    EXPECT_EQ(main.ComboOutputFormat.ItemIndex(), kVideoCdLine) << line;
    EXPECT_EQ(main.LastFormatIndex(), kVideoCdLine);
  }
  EXPECT_EQ(main.Controls, before);
  EXPECT_EQ(main.OutputTag(), "MPG");
  EXPECT_EQ(cells.tags.size(), 1u);
}

TEST_F(MainSettingsTest, NoSelectedLineKeepsTagAndListsButRewritesTheCells) {
  Choose("WMA - Windows Media Audio (*.wma)");
  const SettingControls before = main.Controls;
  ChooseIndex(99);
  EXPECT_EQ(main.ComboOutputFormat.ItemIndex(), -1);
  EXPECT_EQ(main.OutputTag(), "WMA");
  EXPECT_EQ(main.Controls, before);
  EXPECT_EQ(cells.tags, (std::vector<std::string>{"WMA", "WMA"}));
  EXPECT_EQ(main.LastFormatIndex(), -1);
}

TEST_F(MainSettingsTest, DropDownCountFollowsTheOptionsDialogOr25) {
  Choose("MP4 - MPEG4 Video (*.mp4)");
  EXPECT_EQ(main.OutputFormatDropDownCount(), 25);
  {
    AdditionalOptions dialog(main);
    main.ComboOutputFormatChange();
    EXPECT_EQ(main.OutputFormatDropDownCount(), 27);
    dialog.SetSpinEdit1(40);
    EXPECT_EQ(main.OutputFormatDropDownCount(), 40);
    main.FillOutputFormats();
    main.ComboOutputFormatDropDown();
    EXPECT_EQ(main.OutputFormatDropDownCount(), 40);
  }
  main.ComboOutputFormatDropDown();
  EXPECT_EQ(main.OutputFormatDropDownCount(), 25);
}

TEST_F(MainSettingsTest, ChannelsOfThe3gpProfileSurviveProfilesThatLeaveThemUnchanged) {
  Choose("3GP - Mobile Video Format (*.3gp)");
  EXPECT_EQ(main.Controls.ComboAudioChannels.Text(), "Mono");
  for (const char* unchanged : {"Video CD (*.mpg)", "iPod (*.mp4)", "iPod Touch Extra (640 x 480) (*.mp4)",
                                "Archos AV700 (*.avi)", "BlackBerry AVI Video (*.avi)"}) {
    Choose(unchanged);
    EXPECT_EQ(main.Controls.ComboAudioChannels.Text(), "Mono") << unchanged;
  }
  Choose("MP4 - MPEG4 Video (*.mp4)");
  EXPECT_EQ(main.Controls.ComboAudioChannels.Text(), "Stereo");
  Choose("3GP - Mobile Video Format (*.3gp)");
  Choose("OGG - Ogg Vorbis Audio (*.ogg)");
  EXPECT_EQ(main.Controls.ComboAudioChannels.Text(), "Stereo");
}

TEST_F(MainSettingsTest, ChoosingTheSameFormatAgainRestoresItsDefaults) {
  Choose("MP4 - MPEG4 Video (*.mp4)");
  const SettingControls defaults = main.Controls;
  main.Controls.ComboVideoBitrate.SelectText("2500 Kbps");
  main.Controls.ComboVideoSize.SelectText("720 x 576");
  main.Controls.ComboAudioChannels.SelectText("Mono");
  Choose("MP4 - MPEG4 Video (*.mp4)");
  EXPECT_EQ(main.Controls, defaults);
  EXPECT_EQ(main.Controls.ComboVideoSize.Count(), 23);
  EXPECT_EQ(main.Controls.ComboVideoBitrate.Count(), 13);
}

TEST_F(MainSettingsTest, RepeatedProfilesReplaceTheirListsInsteadOfGrowingThem) {
  for (int i = 0; i < 3; ++i) Choose("Zune WMV Windows Media Video (*.wmv)");
  EXPECT_EQ(main.Controls.ComboVideoFramerate.Count(), 7);
  Choose("Creative Zen Vision (*.avi)");
  EXPECT_EQ(main.Controls.ComboVideoBitrate.Count(), 13);
  Choose("Archos AV700 (*.avi)");
  EXPECT_EQ(main.Controls.ComboVideoBitrate.Items(),
            (std::vector<std::string>{"1000 Kbps", "1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps"}));
}

TEST_F(MainSettingsTest, AudioOnlyFormatsEmptyTheVideoListsUntilAVideoFormatRefillsThem) {
  Choose("PSP Video (*.mp4)");
  Choose("MP3 - Mpeg Layer3 Audio (*.mp3)");
  for (const SettingList* list : {&main.Controls.ComboVideoCodec, &main.Controls.ComboVideoBitrate,
                                  &main.Controls.ComboVideoSize, &main.Controls.ComboVideoFramerate}) {
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->Text(), "");
  }
  Choose("AAC - Advance Audio Coding (*.aac)");
  EXPECT_EQ(main.Controls.ComboAudioBitrate.Count(), 13);
  EXPECT_EQ(main.Controls.ComboSamplingRate.Count(), 8);
  Choose("RM - Real Video (*.rm)");
  EXPECT_EQ(main.Controls.ComboVideoCodec.Count(), 2);
  EXPECT_EQ(main.Controls.ComboVideoBitrate.Count(), 8);
  EXPECT_EQ(main.Controls.ComboVideoSize.Count(), 23);
  EXPECT_EQ(main.Controls.ComboVideoFramerate.Count(), 7);
}

TEST_F(MainSettingsTest, IPhoneAfterIPodTouchWideScreenShowsItsOwnSingleSize) {
  Choose("iPod Touch Wide Screen (*.mp4)");
  Choose("iPhone (*.mp4)");
  EXPECT_EQ(main.Controls.ComboVideoSize.Items(), std::vector<std::string>{"480 x 320"});
  EXPECT_EQ(main.Controls.ComboVideoBitrate.Text(), "1200 Kbps");
  EXPECT_EQ(main.Controls.ComboAudioBitrate.Text(), "80 Kbps");
}

TEST_F(MainSettingsTest, VolumeBarFollowsItsTable) {
  struct Step {
    int position;
    const char* label;
    int32_t level;
  };
  const Step steps[] = {{0, "200%", 600}, {1, "180%", 450}, {2, "160%", 400}, {3, "140%", 350},
                        {4, "120%", 300}, {5, "100%", 255}, {6, "80%", 200},  {7, "60%", 150},
                        {8, "40%", 100},  {9, "20%", 50},   {10, "0%", 1},    {-4, "200%", 600},
                        {11, "0%", 1}};
  for (const Step& step : steps) {
    main.SetTrackBar1Position(step.position);
    EXPECT_EQ(main.LabelVolume(), step.label) << step.position;
    EXPECT_EQ(main.VolumeLevel(), step.level) << step.position;
  }
  EXPECT_EQ(main.TrackBar1Position(), 10);
}

}  // namespace
}  // namespace quorbel::app
