// The "Additional Options" dialog without widgets: video zoom, aspect ratio, the overwrite choice
// and the drop-down size of the output format list. Every change takes effect at once.
#pragma once

#include "core/setting_list.h"

namespace quorbel::app {

class MainSettings;

class AdditionalOptions {
 public:
  static constexpr int kMinDropDownItems = 26;
  static constexpr int kMaxDropDownItems = 47;
  static constexpr int kDefaultDropDownItems = 27;

  // The dialog as created: "None", "Original", overwrite off, 27 drop-down items. It reads and
  // changes main's lists and becomes the dialog main reads, for as long as it lives.
  explicit AdditionalOptions(MainSettings& main);
  ~AdditionalOptions();
  AdditionalOptions(const AdditionalOptions&) = delete;
  AdditionalOptions& operator=(const AdditionalOptions&) = delete;

  SettingList ComboLetterBox;      // "None", "LetterBox": stored, changes no job
  SettingList ComboAspectRatio4;   // "Original", "4:3 (Standard)", "16:9 (Wide Screen)"
  bool CheckBoxOverWrite = false;  // "Overwrite Existing File With The Same Name"

  // "Drop Down Items in Output Format List".
  int SpinEdit1() const { return spinEdit1_; }
  // Sets the value, held to 26..47; a changed value runs SpinEdit1Change.
  void SetSpinEdit1(int value);
  // Re-runs the format list's change handling: the setting lists return to the profile's
  // defaults and the drop-down line count takes the new value.
  void SpinEdit1Change();
  // Selects the same index in the main window's hidden ComboAspectRatio, which jobs read.
  void ComboAspectRatio4Change();

 private:
  MainSettings& main_;
  int spinEdit1_ = kDefaultDropDownItems;
};

}  // namespace quorbel::app
