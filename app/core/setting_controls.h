// The setting lists of the converter window's "Video Settings" and "Audio Settings" groups, and
// the hidden aspect-ratio list that mirrors the Additional Options dialog. Profiles fill the first
// seven; the channel and aspect lists keep fixed items and only change their selection.
#pragma once

#include "core/setting_list.h"

namespace quorbel::app {

struct SettingControls {
  SettingList ComboVideoBitrate;    // "Video Quality :"
  SettingList ComboVideoCodec;      // "Video Codec :"
  SettingList ComboVideoSize;       // "Video Size :"
  SettingList ComboVideoFramerate;  // "Framerate :" (offered, never carried into a job)
  SettingList ComboAudioBitrate;    // "Audio  Quality : "
  SettingList ComboAudioCodec;      // "Audio Codec :"
  SettingList ComboSamplingRate;    // "Sampling Rate :"
  SettingList ComboAudioChannels{{"Stereo", "Mono"}, 0};
  SettingList ComboAspectRatio{{"Original", "4:3", "16:9"}, 0};

  bool operator==(const SettingControls&) const = default;
};

}  // namespace quorbel::app
