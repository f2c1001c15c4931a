#include "core/main_settings.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/additional_options.h"
#include "core/profiles.h"
#include "core/volume.h"

namespace quorbel::app {

MainSettings::MainSettings() {
  SetTrackBar1Position(kVolumeStartPosition);
  FillOutputFormats();
  dropDownCount_ = kFallbackDropDownCount;
}

void MainSettings::FillOutputFormats() {
  const auto& lines = OutputFormatLines();
  ComboOutputFormat.SetItems(std::vector<std::string>(lines.begin(), lines.end()));
  dropDownCount_ = ComboOutputFormat.Count();
  ComboOutputFormat.SetItemIndex(0);
}

void MainSettings::ComboOutputFormatChange() {
  if (IsSeparatorLine(ComboOutputFormat.Text())) {
    ComboOutputFormat.SetItemIndex(lastFormatIndex_);
    return;
  }
  ApplyProfile();
  if (outputCells_ != nullptr) outputCells_->SetOutputCells(outputTag_);
  ComboOutputFormatDropDown();
  lastFormatIndex_ = ComboOutputFormat.ItemIndex();
}

bool MainSettings::SelectOutputFormat(std::string_view line) {
  if (FindFormat(line) == nullptr) return false;
  const auto& items = ComboOutputFormat.Items();
  const auto found = std::find(items.begin(), items.end(), line);
  if (found == items.end()) return false;
  ComboOutputFormat.SetItemIndex(static_cast<int>(found - items.begin()));
  ComboOutputFormatChange();
  return true;
}

void MainSettings::ComboOutputFormatDropDown() {
  dropDownCount_ = optionsDialog_ != nullptr ? optionsDialog_->SpinEdit1() : kFallbackDropDownCount;
}

void MainSettings::ApplyProfile() {
  const TheAVCodec* format = FindFormat(ComboOutputFormat.Text());
  if (format == nullptr) return;
  outputTag_ = std::string(format->FileTag);
  appliedFormat_ = format;
  RunProfileFiller(format->TypeNo, Controls);
}

void MainSettings::SetTrackBar1Position(int position) {
  trackBar1Position_ = std::clamp(position, kVolumeTop, kVolumeBottom);
  TrackBar1Change();
}

void MainSettings::TrackBar1Change() {
  const VolumeStep step = VolumeAt(trackBar1Position_);
  labelVolume_ = std::string(step.Label);
  volumeLevel_ = step.Level;
}

}  // namespace quorbel::app
