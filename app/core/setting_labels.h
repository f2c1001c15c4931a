// The setting lists by the labels the window shows beside them ("Video Size :", "Audio  Quality : "),
// for front ends that name a list in text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/setting_controls.h"

namespace quorbel::app {

struct LabelledList {
  std::string_view Label;  // the window's label text, blanks and colon included
  SettingList SettingControls::*List;
};

// The eight lists a user picks from, in the window's order: "Video Quality :", "Video Codec :",
// "Video Size :", "Framerate :", "Audio  Quality : ", "Audio Codec :", "Audio Channels :",
// "Sampling Rate :".
const std::vector<LabelledList>& SettingLabels();

// A label in plain form: without the colon, blanks trimmed and runs of blanks made one, ASCII
// letters lower-cased ("Audio  Quality : " gives "audio quality").
std::string PlainLabel(std::string_view text);

// The list whose plain label equals the plain form of `name`; nullptr when none does.
const LabelledList* FindSettingLabel(std::string_view name);

}  // namespace quorbel::app
