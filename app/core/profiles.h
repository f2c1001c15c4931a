// Output profiles: what each output format offers and preselects in the setting lists.
#pragma once

#include "core/setting_controls.h"

namespace quorbel::app {

// Fills the video size, video bit-rate, frame-rate, audio bit-rate and sampling-rate lists with
// their standard items and selects nothing; the profile that calls it selects the defaults.
void FillStandardLists(SettingControls& controls);

// Runs the profile filler of the catalogue row typeNo: refills the lists the profile fills (the
// user's choices in them are lost), empties the video lists of audio-only profiles and selects
// the channel and aspect choices the profile sets. A typeNo outside the catalogue changes nothing.
void RunProfileFiller(int typeNo, SettingControls& controls);

}  // namespace quorbel::app
