#include "core/setting_labels.h"

#include <string>

#include "core/ascii.h"

namespace quorbel::app {

const std::vector<LabelledList>& SettingLabels() {
  static const std::vector<LabelledList> labels = {
      {"Video Quality :", &SettingControls::ComboVideoBitrate},
      {"Video Codec :", &SettingControls::ComboVideoCodec},
      {"Video Size :", &SettingControls::ComboVideoSize},
      {"Framerate :", &SettingControls::ComboVideoFramerate},
      {"Audio  Quality : ", &SettingControls::ComboAudioBitrate},
      {"Audio Codec :", &SettingControls::ComboAudioCodec},
      {"Audio Channels :", &SettingControls::ComboAudioChannels},
      {"Sampling Rate :", &SettingControls::ComboSamplingRate},
  };
  return labels;
}

std::string PlainLabel(std::string_view text) {
  std::string plain;
  bool blank = false;
  for (const char c : text) {
    if (c == ':') continue;
    if (c == ' ' || c == '\t') {
      blank = !plain.empty();
      continue;
    }
    if (blank) plain += ' ';
    blank = false;
    plain += c;
  }
  return AsciiLower(plain);
}

const LabelledList* FindSettingLabel(std::string_view name) {
  const std::string wanted = PlainLabel(name);
  for (const LabelledList& label : SettingLabels()) {
    if (PlainLabel(label.Label) == wanted) return &label;
  }
  return nullptr;
}

}  // namespace quorbel::app
