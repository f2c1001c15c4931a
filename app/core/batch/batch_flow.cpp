// The batch of the batch controller: Convert, the rows one after another, the engine's reports,
// the timer that starts the next row, Stop, and the controls a batch disables.
#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

#include "base/text.h"
#include "core/additional_options.h"
#include "core/batch/batch_controller.h"
#include "core/row_job.h"

namespace quorbel::app {

namespace {

constexpr const char* kAllCompleted = "All Conversions Completed";

bool DirectoryExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

}  // namespace

void BatchController::ButtonConvertClick() {
  if (addingFiles_) return;
  view_.StopPreview();
  abortRequested_ = false;
  for (int row = 0; row < RowCount(); ++row) {
    SetCell(row, kCellProgress, "");
    SetCell(row, kCellFrames, "");
  }
  if (rows_.empty()) {
    view_.ShowInformation("Please Add Files To Convert!");
    return;
  }
  if (main_.EditOutputFolder.empty()) {
    view_.ShowInformation("Please select an output folder!");
    ButtonBrowseForFolderClick();
    return;
  }
  if (!DirectoryExists(Trim(main_.EditOutputFolder))) {
    view_.ShowInformation("The output folder \"" + main_.EditOutputFolder +
                          "\"\n\rdoes not exist or has been deleted!\n\rPlease choose a new output folder.");
    ButtonBrowseForFolderClick();
    return;
  }
  converting_ = true;
  timerEnabled_ = true;
  SetControlsEnabled(false);
  ClearEngineJobs();
  currentRow_ = -1;
  restartTicks_ = 0;
  StartNextRow();
}

void BatchController::StartNextRow() {
  ClearEngineJobs();
  SetProgressBar(0);
  isLastRow_ = false;
  batchDone_ = false;
  const int count = RowCount();
  ++currentRow_;
  // Stops on the last row even when it is unchecked.
  while (currentRow_ < count - 1 && !rows_[currentRow_].Checked) ++currentRow_;
  if (currentRow_ >= count) {
    // The rows after the previous one are gone: nothing is left to convert.
    converting_ = false;
    batchDone_ = true;
    return;
  }
  isLastRow_ = currentRow_ == count - 1;
  SourceRow& row = rows_[currentRow_];
  if (!row.Checked) {
    converting_ = false;
  } else {
    try {
      const std::string source = Trim(row.Caption);
      row.OutputFile =
          RowOutputName(main_.EditOutputFolder, source, main_.OutputTag(), dialog_.CheckBoxOverWrite);
      row.FailReason.clear();
      const TInputOptions input = RowInputOptions(source);
      const int32_t index = transcoder_->AddJob(source, &input);
      if (index < 0) {
        RowFailed(transcoder_->LastError());
        return;
      }
      TOutputOptions output;
      FillJobOutputOptions(main_, row.Cells[kCellVideoSize], output);
      if (!transcoder_->SetJobOutput(index, row.OutputFile, &output)) {
        const std::string reason = transcoder_->LastError();
        transcoder_->DeleteJob(index);
        RowFailed(reason);
        return;
      }
    } catch (const std::exception& error) {
      const std::string reason = error.what();
      row.FailReason = reason;
      view_.ShowInformation("Fail to add file to list!");
      // With no job the engine would never report an end, and the batch would wait for good.
      if (transcoder_->JobCount() == 0) {
        RowFailed(reason);
        return;
      }
      // Otherwise the job starts as configured; one without an output ends as failed.
    }
  }
  StartEngine();
  if (isLastRow_) batchDone_ = true;
}

void BatchController::RowFailed(const std::string& reason) {
  if (currentRow_ < RowCount()) rows_[currentRow_].FailReason = reason;
  SetCell(currentRow_, kCellProgress, "Fail");
  if (isLastRow_) {
    timerEnabled_ = false;
    view_.ShowInformation(kAllCompleted);
    transcoder_->StopJobs();
    SetProgressBar(0);
    SetControlsEnabled(true);
    converting_ = false;
    batchDone_ = true;
  } else {
    restartTicks_ = 0;
    converting_ = false;
  }
}

void BatchController::StartEngine() {
  awaitingEngineEnd_ = transcoder_->JobCount() > 0;
  try {
    transcoder_->StartJobs(1);
  } catch (const std::exception& error) {
    transcoder_->StopJobs();
    SetControlsEnabled(true);
    // Nothing would report this row's end: the batch ends here.
    awaitingEngineEnd_ = false;
    if (currentRow_ < RowCount()) rows_[currentRow_].FailReason = error.what();
    SetCell(currentRow_, kCellProgress, "Fail");
    timerEnabled_ = false;
    converting_ = false;
  }
}

void BatchController::Tick() {
  if (timerEnabled_) TimerConvertAgainTimer();
}

void BatchController::TimerConvertAgainTimer() {
  if (converting_) return;
  if (batchDone_) {
    timerEnabled_ = false;
    ClearEngineJobs();
    view_.ShowInformation(kAllCompleted);
    SetProgressBar(0);
    SetControlsEnabled(true);
    converting_ = false;
    return;
  }
  if (++restartTicks_ >= 2) {
    restartTicks_ = 0;
    converting_ = true;
    StartNextRow();
  }
}

void BatchController::TranscoderProgress(uint64_t run, int32_t frameNumber, int32_t currentDurationMs,
                                         int64_t currentSizeBytes, int32_t totalOutputDurationMs) {
  if (run != engineRun_ || currentRow_ < 0 || currentRow_ >= RowCount()) return;
  view_.ScrollToRow(currentRow_);
  // Without a known total there is no percentage: the cell and the bar keep what they show.
  if (totalOutputDurationMs > 0) {
    const int64_t percent =
        std::clamp<int64_t>(int64_t{currentDurationMs} * 100 / totalOutputDurationMs, 0, 100);
    SetCell(currentRow_, kCellProgress, std::to_string(percent) + "%");
    SetProgressBar(static_cast<int>(percent));
  }
  statusFileSize_ = "File Size : " + std::to_string(currentSizeBytes);
  view_.StatusChanged();
  SetCell(currentRow_, kCellFrames, frameNumber == -1 ? " " : std::to_string(frameNumber));
}

void BatchController::TranscoderTerminate(uint64_t run, int32_t index, bool exception,
                                          const std::string& message) {
  if (run != engineRun_) return;
  converting_ = false;
  if (index >= 0) {
    if (currentRow_ >= 0 && currentRow_ < RowCount()) {
      if (exception) rows_[currentRow_].FailReason = message;
      SetCell(currentRow_, kCellProgress, exception ? "Fail" : abortRequested_ ? "Abort" : "Done");
    }
    return;
  }
  awaitingEngineEnd_ = false;
  if (batchDone_) {
    ClearEngineJobs();
    SetProgressBar(0);
  }
}

void BatchController::ButtonStopConvertClick() {
  if (converting_) {
    transcoder_->PauseJobs();
    if (!view_.AskYesNo("Stop all conversions?")) {
      transcoder_->ResumeJobs();
      return;
    }
    abortRequested_ = true;
  }
  batchDone_ = true;
  timerEnabled_ = false;
  transcoder_->StopJobs();
  SetProgressBar(0);
  SetControlsEnabled(true);
  converting_ = false;
}

void BatchController::ButtonBrowseForFolderClick() {
  if (converting_) return;
  if (const auto folder = view_.BrowseForFolder("Please select an output folder")) {
    main_.EditOutputFolder = *folder;
    view_.OutputFolderChanged();
  }
}

void BatchController::SetControlsEnabled(bool enabled) {
  SettingControls& lists = main_.Controls;
  for (SettingList* list : {&main_.ComboOutputFormat, &lists.ComboVideoSize, &lists.ComboVideoBitrate,
                            &lists.ComboVideoFramerate, &lists.ComboAudioBitrate, &lists.ComboAudioChannels,
                            &lists.ComboVideoCodec, &lists.ComboSamplingRate, &lists.ComboAudioCodec}) {
    list->SetEnabled(enabled);
  }
  batchControlsEnabled_ = enabled;
  view_.ControlsEnabledChanged(enabled);
}

void BatchController::SetProgressBar(int position) {
  progressBar_ = std::clamp(position, 0, 100);
  view_.StatusChanged();
}

}  // namespace quorbel::app
