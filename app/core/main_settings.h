// The converter window's choices without widgets: the output format list, the setting lists its
// profiles fill, the volume bar and the output folder, with the window's handlers for them. A
// window layer or the command line shows and edits these models and calls the handlers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/format_catalogue.h"
#include "core/setting_controls.h"
#include "core/setting_list.h"

namespace quorbel::app {

class AdditionalOptions;

// The source list's "Output" column, which every format change rewrites.
class OutputCellsView {
 public:
  virtual ~OutputCellsView() = default;
  // Sets the "Output" cell of every source row to tag.
  virtual void SetOutputCells(const std::string& tag) = 0;
};

class MainSettings {
 public:
  // Drop-down line count of the format list when the options dialog cannot be read.
  static constexpr int kFallbackDropDownCount = 25;

  // The state after the window's creation: volume bar at "100%", the format list filled with its
  // first line selected, drop-down line count 25, every setting list empty.
  MainSettings();
  MainSettings(const MainSettings&) = delete;
  MainSettings& operator=(const MainSettings&) = delete;

  SettingList ComboOutputFormat;
  SettingControls Controls;
  std::string EditOutputFolder;

  // Fills the format list with its 62 lines and selects the first.
  void FillOutputFormats();

  // The format list's change handler: a separator returns the selection to the last format line;
  // otherwise the selected format's profile is applied, the "Output" cells receive the output tag
  // and the drop-down line count follows the options dialog.
  void ComboOutputFormatChange();
  // Picks the format list's line equal to `line` as the user would (selection, then the change
  // handler); false, changing nothing, when no format line has that text.
  bool SelectOutputFormat(std::string_view line);
  // Runs before the format list opens: the drop-down line count follows the options dialog.
  void ComboOutputFormatDropDown();
  // Matches the selected line against the catalogue; for a match, sets OutputTag and runs the
  // format's profile filler. No match (no line selected) changes nothing.
  void ApplyProfile();

  int OutputFormatDropDownCount() const { return dropDownCount_; }
  const std::string& OutputTag() const { return outputTag_; }
  int LastFormatIndex() const { return lastFormatIndex_; }
  // The format whose profile was applied last; nullptr before the first.
  const TheAVCodec* AppliedFormat() const { return appliedFormat_; }

  int TrackBar1Position() const { return trackBar1Position_; }
  // Moves the volume bar (held at its ends) and runs TrackBar1Change.
  void SetTrackBar1Position(int position);
  void TrackBar1Change();
  const std::string& LabelVolume() const { return labelVolume_; }
  int32_t VolumeLevel() const { return volumeLevel_; }

  // The dialog whose drop-down value the format list uses; nullptr when there is none.
  void SetOptionsDialog(const AdditionalOptions* dialog) { optionsDialog_ = dialog; }
  // Where format changes write the "Output" cells; nullptr when no rows are shown.
  void SetOutputCellsView(OutputCellsView* view) { outputCells_ = view; }

 private:
  int dropDownCount_ = kFallbackDropDownCount;
  std::string outputTag_;
  int lastFormatIndex_ = 0;
  const TheAVCodec* appliedFormat_ = nullptr;
  int trackBar1Position_ = 0;
  std::string labelVolume_;
  int32_t volumeLevel_ = 0;
  const AdditionalOptions* optionsDialog_ = nullptr;
  OutputCellsView* outputCells_ = nullptr;
};

}  // namespace quorbel::app
