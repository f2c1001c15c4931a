// The converter window's source list and batch conversion without widgets. The controller owns
// the engine component, keeps the source rows, adds files with the engine's probe, and converts
// the checked rows one after another: for each it builds a job from the window's settings,
// starts it, shows its progress in the row and writes the row's result when the job ends.
//
// Threads. Every method runs on the user-interface thread, the view's. The engine reports
// progress and the end of a job on its worker threads; the controller posts those reports to the
// user-interface thread (BatchView::PostToUiThread) and handles them there, so all its state
// belongs to that one thread. A report of a run the controller has since cleared is dropped.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/batch/batch_view.h"
#include "core/batch/source_row.h"
#include "core/main_settings.h"
#include "quorbel/library_binding.h"
#include "quorbel/transcoder.h"

class QSettings;

namespace quorbel::app {

class AdditionalOptions;

class BatchController : public OutputCellsView {
 public:
  // Milliseconds between two calls of Tick while the batch timer is enabled.
  static constexpr int kTimerIntervalMs = 50;

  // `main`, `dialog` and `view` must outlive the controller. `transcoder` is the engine the
  // window owns; the controller installs its event handlers and becomes the view of main's
  // "Output" cells.
  BatchController(MainSettings& main, AdditionalOptions& dialog, BatchView& view,
                  std::unique_ptr<TCustomTranscoder> transcoder = std::make_unique<TTranscoder>());
  // Ends the engine first (it stops every job and waits for its thread); reports still posted
  // are dropped when they run.
  ~BatchController() override;
  BatchController(const BatchController&) = delete;
  BatchController& operator=(const BatchController&) = delete;

  // Start-up: binds the engine's libraries. On failure shows "Some files are missing. Please
  // re-install this software" and returns false: the program must end.
  bool LoadEngineLibraries(const std::string& programFolder);
  bool LoadEngineLibraries(const std::string& programFolder, const binding::VersionSource& versions);

  // The source list.
  const std::vector<SourceRow>& Rows() const { return rows_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  // One row at most is selected; -1: none.
  int SelectedRow() const { return selectedRow_; }
  void SelectRow(int row);
  // The row's check box; a change during a batch counts for rows the batch has not reached.
  void SetRowChecked(int row, bool checked);

  // Source list handlers.
  void ButtonAddFileClick();
  void ButtonRemoveClick();
  void RemoveSelectedItems1Click();
  void RemoveAllItems1Click();
  void ButtonClearClick();
  void CheckAllItems1Click();
  void UncheckAllItems1Click();

  // Batch handlers.
  void ButtonConvertClick();
  void ButtonStopConvertClick();
  void ButtonBrowseForFolderClick();
  // The batch timer's beat: the view calls it every kTimerIntervalMs; it does something only
  // while the timer is enabled.
  void Tick();

  // Closing: refused while a job is set up or runs. Otherwise the engine's reports are no longer
  // handled, the jobs are stopped and true is returned.
  bool FormCloseQuery();
  // After the window closed: saves the preferences, ignoring any error.
  void FormClose(QSettings& store);

  bool Converting() const { return converting_; }
  bool AddingFiles() const { return addingFiles_; }
  bool BatchDone() const { return batchDone_; }
  bool TimerConvertAgainEnabled() const { return timerEnabled_; }
  int CurrentRow() const { return currentRow_; }
  int ProgressBarPosition() const { return progressBar_; }
  // Status bar panel 1: "File Size : " and the output's size.
  const std::string& StatusFileSize() const { return statusFileSize_; }
  // Add File, Remove, Clear, Convert, the volume bar, the list's pop-up menu and the main menu;
  // the setting lists carry their own Enabled.
  bool BatchControlsEnabled() const { return batchControlsEnabled_; }
  // A batch still has work: a job is set up or runs, the timer waits for the next row, or the
  // end of a started job has not been reported yet.
  bool Busy() const { return converting_ || timerEnabled_ || awaitingEngineEnd_; }

  TCustomTranscoder& Transcoder() { return *transcoder_; }

  // Sets the "Output" cell of every row (main's format change).
  void SetOutputCells(const std::string& tag) override;

 private:
  // Shows the start-up failure when the libraries did not load.
  bool EngineLoaded(bool loaded);
  // Adds the files the open dialog returns, one row each; any error ends the step silently.
  void AddFilesStep();
  void AddSourceFile(const std::string& path);
  void SetCell(int row, SourceCell cell, std::string text);

  void StartNextRow();
  // The current row's job could not be created or given its output.
  void RowFailed(const std::string& reason);
  void StartEngine();
  void TimerConvertAgainTimer();
  void TranscoderProgress(uint64_t run, int32_t frameNumber, int32_t currentDurationMs,
                          int64_t currentSizeBytes, int32_t totalOutputDurationMs);
  void TranscoderTerminate(uint64_t run, int32_t index, bool exception, const std::string& message);
  void SetControlsEnabled(bool enabled);
  void SetProgressBar(int position);
  // Frees every job of the engine; reports of those jobs still posted are dropped from now on.
  void ClearEngineJobs();
  // Runs `task` on the user-interface thread unless the controller is gone by then.
  void Post(std::function<void()> task);

  MainSettings& main_;
  AdditionalOptions& dialog_;
  BatchView& view_;
  std::unique_ptr<TCustomTranscoder> transcoder_;

  std::vector<SourceRow> rows_;
  int selectedRow_ = -1;

  int currentRow_ = -1;
  bool isLastRow_ = false;
  bool batchDone_ = false;
  bool addingFiles_ = false;
  int restartTicks_ = 0;
  bool converting_ = false;
  bool abortRequested_ = false;
  bool timerEnabled_ = false;
  bool awaitingEngineEnd_ = false;
  bool batchControlsEnabled_ = true;
  int progressBar_ = 0;
  std::string statusFileSize_;

  // Counts the engine's job lists: written on the user-interface thread, read by the engine's
  // handlers to tag their reports.
  std::atomic<uint64_t> engineRun_{0};
  // Set when the window closes: the handlers post nothing more.
  std::atomic<bool> detached_{false};
  // Read and cleared on the user-interface thread only; shared with the posted reports.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quorbel::app
