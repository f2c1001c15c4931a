// The batch state machine: Convert and its refusals, the checked rows one after another, rows that
// fail, the engine's reports carried to the user-interface thread, Stop with its question, and
// closing. The engine opens the fixtures and creates the outputs for real; the runs are steered.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "batch_test.h"
#include "quorbel/library_binding.h"

namespace quorbel::app::testing {
namespace {

using ::testing::ElementsAre;

constexpr const char* kCompleted = "All Conversions Completed";

using BatchFlowTest = BatchTest;

TEST_F(BatchFlowTest, ConvertRefusesWithoutRowsOrFolder) {
  controller->ButtonConvertClick();
  AddFiles({Fixture::kWavPcm});
  main.EditOutputFolder.clear();
  controller->ButtonConvertClick();
  const std::string missing = folder.Path("gone");
  main.EditOutputFolder = missing;
  controller->ButtonConvertClick();
  EXPECT_THAT(view.messages, ElementsAre("Please Add Files To Convert!", "Please select an output folder!",
                                         "The output folder \"" + missing +
                                             "\"\n\rdoes not exist or has been deleted!\n\r"
                                             "Please choose a new output folder."));
  EXPECT_THAT(view.pickerHeadlines,
              ElementsAre("Please select an output folder", "Please select an output folder"));
  EXPECT_FALSE(controller->Busy());
  EXPECT_TRUE(runs.Starts().empty());

  // The picker's choice becomes the output folder.
  view.pickedFolder = folder.Path("");
  controller->ButtonConvertClick();
  EXPECT_EQ(main.EditOutputFolder, folder.Path(""));
}

TEST_F(BatchFlowTest, NoRowCheckedCompletesAtOnceWithoutAJob) {
  AddFiles({Fixture::kWavPcm, Fixture::kWavPcm, Fixture::kWavPcm});
  controller->UncheckAllItems1Click();
  controller->ButtonConvertClick();
  EXPECT_TRUE(controller->Converting() || controller->TimerConvertAgainEnabled());
  EXPECT_FALSE(controller->BatchControlsEnabled());
  EXPECT_FALSE(main.ComboOutputFormat.Enabled());
  EXPECT_FALSE(main.Controls.ComboAudioCodec.Enabled());
  view.RunUntilIdle(*controller);
  EXPECT_THAT(view.messages, ElementsAre(kCompleted));
  EXPECT_THAT(Cells(kCellProgress), ElementsAre("", "", ""));
  EXPECT_TRUE(runs.Starts().empty());
  EXPECT_THAT(view.controlsEnabled, ElementsAre(false, true));
  EXPECT_TRUE(main.Controls.ComboAudioCodec.Enabled());
}

// Which rows are checked decides which rows convert; the batch ends on the last row either way.
TEST_F(BatchFlowTest, OnlyCheckedRowsConvert) {
  struct Case {
    std::vector<bool> checked;
    std::vector<std::string> results;
  };
  const Case cases[] = {
      {{true, false, true}, {"Done", "", "Done"}},
      {{true, true, false}, {"Done", "Done", ""}},
      {{false, true, false}, {"", "Done", ""}},
  };
  runs.ReleaseAll();
  AddFiles({Fixture::kWavPcm, Fixture::kAudioOnly, Fixture::kWav48kStereo});
  for (const Case& c : cases) {
    view.messages.clear();
    const size_t startsBefore = runs.Starts().size();
    for (int row = 0; row < 3; ++row) controller->SetRowChecked(row, c.checked[row]);
    controller->ButtonConvertClick();
    view.RunUntilIdle(*controller);
    EXPECT_EQ(Cells(kCellProgress), c.results);
    EXPECT_THAT(view.messages, ElementsAre(kCompleted));
    EXPECT_EQ(runs.Starts().size() - startsBefore,
              static_cast<size_t>(std::count(c.results.begin(), c.results.end(), "Done")));
  }
  // Outputs are named after their sources, in the output folder.
  EXPECT_EQ(controller->Rows()[0].OutputFile, folder.Path("wav_pcm_s16le.wav"));
  EXPECT_EQ(controller->Rows()[2].OutputFile, folder.Path("wav_48k_stereo.wav"));
  EXPECT_EQ(engine->JobCount(), 0);
}

// A row whose job cannot be created, or whose job has no output, fails; the batch goes on and
// ends with the completion message also when the last row fails.
TEST_F(BatchFlowTest, FailingRowsDoNotEndTheBatch) {
  runs.ReleaseAll();
  AddFiles({Fixture::kRandomBytes, Fixture::kWavPcm, Fixture::kTruncated});
  controller->ButtonConvertClick();
  view.RunUntilIdle(*controller);
  EXPECT_THAT(Cells(kCellProgress), ElementsAre("Fail", "Done", "Fail"));
  EXPECT_THAT(view.messages, ElementsAre(kCompleted));
  EXPECT_FALSE(controller->Rows()[0].FailReason.empty());
  EXPECT_TRUE(controller->Rows()[1].FailReason.empty());
  EXPECT_EQ(runs.Starts().size(), 1u);

  // Nothing selected in a number list: the options cannot be built, the job starts without an
  // output and the engine ends it as failed.
  controller->RemoveAllItems1Click();
  AddFiles({Fixture::kWavPcm, Fixture::kWavPcm});
  main.Controls.ComboSamplingRate.SetItemIndex(-1);
  view.messages.clear();
  controller->ButtonConvertClick();
  view.RunUntilIdle(*controller);
  EXPECT_THAT(Cells(kCellProgress), ElementsAre("Fail", "Fail"));
  EXPECT_THAT(view.messages,
              ElementsAre("Fail to add file to list!", "Fail to add file to list!", kCompleted));
  EXPECT_EQ(controller->Rows()[1].FailReason, "Must supply at least one output file");
  EXPECT_EQ(runs.Starts().size(), 1u);
}

// The progress reports of a run as the row and the status bar show them.
TEST_F(BatchFlowTest, ProgressShowsPercentFramesAndSize) {
  struct Report {
    int32_t frame;
    int32_t currentMs;
    int32_t totalMs;
    const char* percentCell;
    const char* frameCell;
    int bar;
  };
  const Report reports[] = {
      {-1, 5000, 4000, "100%", " ", 100},             // beyond the total: capped
      {17, 1000, 4000, "25%", "17", 25},              // truncated division
      {18, 30'000'000, 40'000'000, "75%", "18", 75},  // eight hours: no 32-bit overflow
      {19, 500, 0, "75%", "19", 75},                  // no total: the percentage stays
      {20, -300, 4000, "0%", "20", 0},                // before the start
  };
  Steps steps;
  runs.DoFirst(0, [&](TFFmpeg& job) {
    for (int i = 0; i < static_cast<int>(std::size(reports)); ++i) {
      steps.Await(i + 1);
      const Report& r = reports[i];
      job.ProgressCallback(job, r.frame, 25, r.currentMs, 2.0f, 128.0f, 1000 + i, r.totalMs);
    }
  });
  AddFiles({Fixture::kWavPcm});
  controller->ButtonConvertClick();
  for (int i = 0; i < static_cast<int>(std::size(reports)); ++i) {
    steps.Reach(i + 1);
    RunUntilCell(0, kCellFrames, reports[i].frameCell);
    EXPECT_EQ(controller->Rows()[0].Cells[kCellProgress], reports[i].percentCell) << i;
    EXPECT_EQ(controller->ProgressBarPosition(), reports[i].bar) << i;
    EXPECT_EQ(controller->StatusFileSize(), "File Size : " + std::to_string(1000 + i));
  }
  EXPECT_EQ(view.scrolledTo.back(), 0);
  runs.ReleaseAll();
  view.RunUntilIdle(*controller);
  EXPECT_EQ(controller->Rows()[0].Cells[kCellProgress], "Done");
  EXPECT_EQ(controller->Rows()[0].Cells[kCellFrames], "20");
  EXPECT_EQ(controller->ProgressBarPosition(), 0);
  EXPECT_EQ(controller->StatusFileSize(), "File Size : 1004");  // kept after the batch
}

TEST_F(BatchFlowTest, StopAnsweredNoResumesThePausedJob) {
  AddFiles({Fixture::kWavPcm, Fixture::kAudioOnly});
  controller->ButtonConvertClick();
  runs.AwaitStarts(1);
  bool pausedWhileAsking = false;
  view.answer = [&] {
    pausedWhileAsking = engine->Jobs()[0].pauseGate.IsClosed();
    return false;
  };
  controller->ButtonStopConvertClick();
  EXPECT_THAT(view.questions, ElementsAre("Stop all conversions?"));
  EXPECT_TRUE(pausedWhileAsking);
  EXPECT_FALSE(engine->Jobs()[0].pauseGate.IsClosed());
  EXPECT_TRUE(controller->Converting());
  EXPECT_FALSE(controller->BatchControlsEnabled());

  runs.ReleaseAll();
  view.RunUntilIdle(*controller);
  EXPECT_THAT(Cells(kCellProgress), ElementsAre("Done", "Done"));
  EXPECT_THAT(view.messages, ElementsAre(kCompleted));
}

TEST_F(BatchFlowTest, StopAnsweredYesAbortsTheBatch) {
  AddFiles({Fixture::kWavPcm, Fixture::kAudioOnly, Fixture::kWavPcm});
  controller->ButtonConvertClick();
  runs.AwaitStarts(1);
  view.answer = [] { return true; };
  controller->ButtonStopConvertClick();
  runs.Poke();
  EXPECT_FALSE(controller->Converting());
  EXPECT_TRUE(controller->BatchDone());
  EXPECT_FALSE(controller->TimerConvertAgainEnabled());
  EXPECT_TRUE(controller->BatchControlsEnabled());
  view.RunUntilIdle(*controller);
  EXPECT_THAT(Cells(kCellProgress), ElementsAre("Abort", "", ""));
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(runs.Starts().size(), 1u);
  EXPECT_EQ(engine->JobCount(), 0);  // the final report cleared the jobs

  // Stop with no job running asks nothing.
  controller->ButtonStopConvertClick();
  EXPECT_EQ(view.questions.size(), 1u);
}

// A stopped job's reports that come after a new Convert belong to the old batch: they must not
// write into the new one.
TEST_F(BatchFlowTest, ReportsOfAClearedRunAreDropped) {
  AddFiles({Fixture::kWavPcm});
  controller->ButtonConvertClick();
  runs.AwaitStarts(1);
  view.answer = [] { return true; };
  controller->ButtonStopConvertClick();
  runs.Poke();
  std::vector<std::string> shown;
  view.onRowChanged = [&](int row) { shown.push_back(controller->Rows()[row].Cells[kCellProgress]); };
  controller->ButtonConvertClick();  // before the stopped job's end was handled
  runs.ReleaseAll();
  view.RunUntilIdle(*controller);
  EXPECT_EQ(std::count(shown.begin(), shown.end(), "Abort"), 0);
  EXPECT_EQ(controller->Rows()[0].Cells[kCellProgress], "Done");
  EXPECT_THAT(view.messages, ElementsAre(kCompleted));
}

TEST_F(BatchFlowTest, ClosingIsRefusedWhileAJobRunsAndAllowedBetweenRows) {
  AddFiles({Fixture::kWavPcm, Fixture::kWavPcm});
  controller->ButtonConvertClick();
  runs.AwaitStarts(1);
  EXPECT_FALSE(controller->FormCloseQuery());
  EXPECT_TRUE(controller->Busy());
  runs.Release(0);
  RunUntilCell(0, kCellProgress, "Done");
  EXPECT_FALSE(controller->Converting());
  EXPECT_TRUE(controller->FormCloseQuery());
  controller.reset();
  EXPECT_EQ(runs.Starts().size(), 1u);
}

TEST_F(BatchFlowTest, MissingLibrariesEndTheProgram) {
  binding::UnloadLibraries();
  EXPECT_FALSE(controller->LoadEngineLibraries("", [](binding::Library) { return 0u; }));
  EXPECT_THAT(view.messages, ElementsAre("Some files are missing. Please re-install this software"));
}

}  // namespace
}  // namespace quorbel::app::testing
