#include "core/additional_options.h"

#include <algorithm>

#include "core/main_settings.h"

namespace quorbel::app {

AdditionalOptions::AdditionalOptions(MainSettings& main)
    : ComboLetterBox({"None", "LetterBox"}, 0),
      ComboAspectRatio4({"Original", "4:3 (Standard)", "16:9 (Wide Screen)"}, 0),
      main_(main) {
  main_.SetOptionsDialog(this);
}

AdditionalOptions::~AdditionalOptions() {
  main_.SetOptionsDialog(nullptr);
}

void AdditionalOptions::SetSpinEdit1(int value) {
  const int limited = std::clamp(value, kMinDropDownItems, kMaxDropDownItems);
  if (limited == spinEdit1_) return;
  spinEdit1_ = limited;
  SpinEdit1Change();
}

void AdditionalOptions::SpinEdit1Change() {
  main_.ComboOutputFormatChange();
}

void AdditionalOptions::ComboAspectRatio4Change() {
  main_.Controls.ComboAspectRatio.SetItemIndex(ComboAspectRatio4.ItemIndex());
}

}  // namespace quorbel::app
