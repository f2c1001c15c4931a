// The source list handlers of the batch controller: adding files with the probe, removing,
// clearing and checking rows.
#include <exception>
#include <utility>

#include "core/batch/batch_controller.h"
#include "core/batch/media_info_text.h"
#include "quorbel/probe.h"

namespace quorbel::app {

void BatchController::SelectRow(int row) {
  selectedRow_ = row >= 0 && row < RowCount() ? row : -1;
}

void BatchController::SetRowChecked(int row, bool checked) {
  if (row < 0 || row >= RowCount() || rows_[row].Checked == checked) return;
  rows_[row].Checked = checked;
  view_.RowChanged(row);
}

void BatchController::SetCell(int row, SourceCell cell, std::string text) {
  if (row < 0 || row >= RowCount()) return;
  rows_[row].Cells[cell] = std::move(text);
  view_.RowChanged(row);
}

void BatchController::SetOutputCells(const std::string& tag) {
  for (int row = 0; row < RowCount(); ++row) SetCell(row, kCellOutput, tag);
}

void BatchController::ButtonAddFileClick() {
  // A second Add File while files are being added starts nothing new.
  if (converting_ || addingFiles_) return;
  view_.StopPreview();
  ClearEngineJobs();
  for (int row = 0; row < RowCount(); ++row) SetCell(row, kCellProgress, "");
  addingFiles_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{addingFiles_};
  AddFilesStep();
}

void BatchController::AddFilesStep() {
  const std::vector<std::string> files = view_.ChooseSourceFiles();
  try {
    for (const std::string& file : files) {
      AddSourceFile(file);
      view_.ScrollToRow(RowCount() - 1);
      // Other handlers may run here; AddingFiles keeps Convert, Clear and Remove out.
      view_.ProcessPendingMessages();
    }
  } catch (const std::exception&) {
    // A file whose information cannot be read ends the adding; the files after it are not added.
  }
}

void BatchController::AddSourceFile(const std::string& path) {
  SourceRow row;
  row.Caption = path;
  TAVProbe& probe = transcoder_->Probe();
  if (probe.LoadFile(path)) {
    if (probe.VideoStreamCount() > 0) {
      TAVVideoInfo video;
      probe.GetVideoInfo(video);
      row.Cells[kCellVideoSize] = VideoSizeCellText(video.Width, video.Height);
      row.Cells[kCellFrameRate] = FrameRateCellText(video.FrameRateNum, video.FrameRateDen);
    } else {
      // A file without pictures shows a blank, not an empty cell.
      const std::string blank(1, ' ');
      row.Cells[kCellVideoSize] = blank;
      row.Cells[kCellFrameRate] = blank;
    }
    TAVFileInfo file;
    probe.GetFileInfo(file);
    row.Cells[kCellDuration] = DurationCellText(file.Duration);
    row.Cells[kCellOutput] = main_.OutputTag();
    probe.Close();
  } else {
    row.Cells[kCellProgress] = "Error";
  }
  rows_.push_back(std::move(row));
  view_.RowsChanged();
}

void BatchController::ButtonRemoveClick() {
  if (addingFiles_) return;
  RemoveSelectedItems1Click();
}

void BatchController::RemoveSelectedItems1Click() {
  if (selectedRow_ < 0 || selectedRow_ >= RowCount()) return;
  rows_.erase(rows_.begin() + selectedRow_);
  selectedRow_ = -1;
  view_.RowsChanged();
}

void BatchController::RemoveAllItems1Click() {
  rows_.clear();
  selectedRow_ = -1;
  view_.RowsChanged();
}

void BatchController::ButtonClearClick() {
  if (converting_ || addingFiles_) return;
  view_.StopPreview();
  ClearEngineJobs();
  RemoveAllItems1Click();
}

void BatchController::CheckAllItems1Click() {
  for (int row = 0; row < RowCount(); ++row) SetRowChecked(row, true);
}

void BatchController::UncheckAllItems1Click() {
  for (int row = 0; row < RowCount(); ++row) SetRowChecked(row, false);
}

}  // namespace quorbel::app
