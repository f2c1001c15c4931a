#include "core/batch/batch_controller.h"

#include <exception>
#include <utility>

#include "core/additional_options.h"
#include "core/preferences.h"

namespace quorbel::app {

BatchController::BatchController(MainSettings& main, AdditionalOptions& dialog, BatchView& view,
                                 std::unique_ptr<TCustomTranscoder> transcoder)
    : main_(main), dialog_(dialog), view_(view), transcoder_(std::move(transcoder)) {
  main_.SetOutputCellsView(this);
  // These run on a job's thread: they only take the run's number and post.
  transcoder_->OnProgress = [this](int32_t, int32_t frameNumber, int32_t, int32_t currentDurationMs, float,
                                   float, int64_t currentSizeBytes, int32_t totalOutputDurationMs) {
    if (detached_) return;
    Post([this, run = engineRun_.load(), frameNumber, currentDurationMs, currentSizeBytes,
          totalOutputDurationMs] {
      TranscoderProgress(run, frameNumber, currentDurationMs, currentSizeBytes, totalOutputDurationMs);
    });
  };
  transcoder_->OnTerminate = [this](int32_t index, bool, bool exception, const std::string& message) {
    if (detached_) return;
    Post([this, run = engineRun_.load(), index, exception, message] {
      TranscoderTerminate(run, index, exception, message);
    });
  };
}

BatchController::~BatchController() {
  transcoder_.reset();
  *alive_ = false;
  main_.SetOutputCellsView(nullptr);
}

bool BatchController::LoadEngineLibraries(const std::string& programFolder) {
  return EngineLoaded(transcoder_->LoadLibraries(programFolder, true));
}

bool BatchController::LoadEngineLibraries(const std::string& programFolder,
                                          const binding::VersionSource& versions) {
  return EngineLoaded(transcoder_->LoadLibraries(programFolder, true, versions));
}

bool BatchController::EngineLoaded(bool loaded) {
  if (!loaded) view_.ShowInformation("Some files are missing. Please re-install this software");
  return loaded;
}

bool BatchController::FormCloseQuery() {
  if (converting_) return false;
  detached_ = true;
  transcoder_->StopJobs();
  return true;
}

void BatchController::FormClose(QSettings& store) {
  try {
    SaveSettings(store, main_, dialog_);
  } catch (const std::exception&) {
    // The window closes anyway; unsaved preferences are not worth a message.
  }
}

void BatchController::Post(std::function<void()> task) {
  view_.PostToUiThread([alive = alive_, task = std::move(task)] {
    if (*alive) task();
  });
}

void BatchController::ClearEngineJobs() {
  // ClearJobs waits for every job's thread, so each report of these jobs is posted by now.
  transcoder_->ClearJobs();
  ++engineRun_;
  awaitingEngineEnd_ = false;
}

}  // namespace quorbel::app
