// The source list: what the add-files step reads with the probe and shows, the guards while files
// are being added, and removing, clearing and checking rows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "batch_test.h"
#include "core/batch/media_info_text.h"

namespace quorbel::app::testing {
namespace {

using ::testing::ElementsAre;

TEST(MediaInfoTextTest, DurationsAndFrameRates) {
  EXPECT_EQ(FormatDuration(':', 3725), "01:02:05");
  EXPECT_EQ(FormatDuration(':', 360000), "100:00:00");
  EXPECT_EQ(FormatDuration('.', 59), "00.00.59");
  EXPECT_EQ(DurationCellText(59'400'000), "00:00:59");
  EXPECT_EQ(DurationCellText(3'600'000'000), "01:00:00");
  EXPECT_EQ(DurationCellText(3'599'999'999), "00:59:59");
  EXPECT_EQ(DurationCellText(INT64_MIN), "Unknown");
  EXPECT_EQ(DurationCellText(-2'000'000), "Unknown");

  EXPECT_EQ(FrameRateCellText(25, 1), "25");
  EXPECT_EQ(FrameRateCellText(30000, 1001), "29.97");
  EXPECT_EQ(FrameRateCellText(24000, 1001), "23.98");
  EXPECT_EQ(FrameRateCellText(25, 2), "12.5");
  EXPECT_EQ(FrameRateCellText(0, 1), "0");
  EXPECT_EQ(FrameRateCellText(25, 0), "Unknown");
  EXPECT_EQ(FrameRateCellText(0, 0), "Unknown");
}

TEST(MediaInfoTextTest, OpenDialogFilterIsPairsEndingWithABar) {
  const std::string_view filter = kOpenDialogFilter;
  EXPECT_EQ(std::count(filter.begin(), filter.end(), '|'), 48);
  EXPECT_EQ(filter.back(), '|');
  EXPECT_TRUE(filter.starts_with("All Supported Files|*.avi;*.mpeg;"));
  EXPECT_NE(filter.find("*.mov; *.qt;"), std::string_view::npos);
  EXPECT_NE(filter.find("|Monkey Audio Files (*.ape, *.cue)|*.ape;*.cue|"), std::string_view::npos);
  EXPECT_TRUE(filter.ends_with("|Windows Media Files(*.wma, *.wmv, *.asf, *.asx)|*.wma;*.wmv;*.asf;*.asx|"));
  // The first pattern list leaves the Monkey Audio files out.
  EXPECT_EQ(filter.find("ape"), filter.find("Monkey") + std::string_view("Monkey Audio Files (*.").size());
}

using SourceListTest = BatchTest;

TEST_F(SourceListTest, AddFilesShowsWhatTheProbeReads) {
  AddFiles({Fixture::kWavPcm, Fixture::kPal720x576, Fixture::kNtscRate, Fixture::kRandomBytes,
            Fixture::kAsfTruncated, Fixture::kAudioOnly, Fixture::kWavPcm});
  const auto& rows = controller->Rows();
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[0].Caption, fixtures::Path(Fixture::kWavPcm));
  EXPECT_EQ(rows[6].Caption, rows[0].Caption);  // no duplicate test
  for (const SourceRow& row : rows) EXPECT_TRUE(row.Checked);
  EXPECT_THAT(Cells(kCellVideoSize), ElementsAre(" ", "720x576", "160x120", "", "160x120", " ", " "));
  EXPECT_THAT(Cells(kCellFrameRate), ElementsAre(" ", "25", "29.97", "", "25", " ", " "));
  EXPECT_THAT(Cells(kCellDuration),
              ElementsAre("00:00:02", "00:00:02", "00:00:02", "", "Unknown", "00:00:01", "00:00:02"));
  EXPECT_THAT(Cells(kCellOutput), ElementsAre("WAV", "WAV", "WAV", "", "WAV", "WAV", "WAV"));
  EXPECT_THAT(Cells(kCellProgress), ElementsAre("", "", "", "Error", "", "", ""));
  EXPECT_THAT(Cells(kCellFrames), ElementsAre("", "", "", "", "", "", ""));
  EXPECT_THAT(view.scrolledTo, ElementsAre(0, 1, 2, 3, 4, 5, 6));
  EXPECT_FALSE(controller->AddingFiles());

  // A new format rewrites every "Output" cell.
  ASSERT_TRUE(main.SelectOutputFormat("MP3 - Mpeg Layer3 Audio (*.mp3)"));
  EXPECT_THAT(Cells(kCellOutput), ElementsAre("MP3", "MP3", "MP3", "MP3", "MP3", "MP3", "MP3"));
}

TEST_F(SourceListTest, CancellingTheDialogAddsNothingButEmptiesProgress) {
  AddFiles({Fixture::kRandomBytes});
  ASSERT_THAT(Cells(kCellProgress), ElementsAre("Error"));
  AddFiles({});
  EXPECT_EQ(controller->RowCount(), 1);
  EXPECT_THAT(Cells(kCellProgress), ElementsAre(""));
}

TEST_F(SourceListTest, ConvertClearRemoveAndAddDoNothingWhileFilesAreAdded) {
  AddFiles({Fixture::kWavPcm});
  controller->SelectRow(0);
  int calls = 0;
  view.onPendingMessages = [&] {
    ++calls;
    EXPECT_TRUE(controller->AddingFiles());
    controller->ButtonConvertClick();
    controller->ButtonClearClick();
    controller->ButtonRemoveClick();
    controller->ButtonAddFileClick();  // would add the two files once more
  };
  AddFiles({Fixture::kWavPcm, Fixture::kAudioOnly});
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(controller->RowCount(), 3);
  EXPECT_FALSE(controller->Busy());
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(engine->JobCount(), 0);
}

TEST_F(SourceListTest, RemoveClearAndCheckRows) {
  AddFiles({Fixture::kWavPcm, Fixture::kAudioOnly, Fixture::kPal720x576});
  controller->UncheckAllItems1Click();
  for (const SourceRow& row : controller->Rows()) EXPECT_FALSE(row.Checked);
  controller->CheckAllItems1Click();
  for (const SourceRow& row : controller->Rows()) EXPECT_TRUE(row.Checked);

  controller->ButtonRemoveClick();  // nothing selected
  EXPECT_EQ(controller->RowCount(), 3);
  controller->SelectRow(1);
  controller->ButtonRemoveClick();
  ASSERT_EQ(controller->RowCount(), 2);
  EXPECT_EQ(controller->Rows()[1].Caption, fixtures::Path(Fixture::kPal720x576));
  EXPECT_EQ(controller->SelectedRow(), -1);

  controller->RemoveAllItems1Click();
  EXPECT_EQ(controller->RowCount(), 0);
  AddFiles({Fixture::kWavPcm});
  controller->ButtonClearClick();
  EXPECT_EQ(controller->RowCount(), 0);
}

}  // namespace
}  // namespace quorbel::app::testing
