// Profiles of the audio-only formats: no video choice is offered, one audio codec.
#include <string>

#include "core/profile_routines.h"
#include "core/profiles.h"

namespace quorbel::app::profiles {

namespace {

void EmptyVideoLists(SettingControls& controls) {
  controls.ComboVideoCodec.Clear();
  controls.ComboVideoBitrate.Clear();
  controls.ComboVideoSize.Clear();
  controls.ComboVideoFramerate.Clear();
}

void FillAudioOnly(SettingControls& controls, std::string_view codec, std::string_view bitrate,
                   const ItemList& samplingRates, std::string_view samplingRate) {
  EmptyVideoLists(controls);
  Fill(controls.ComboAudioCodec, {std::string(codec)}, codec);
  Fill(controls.ComboAudioBitrate, StandardAudioBitrates, bitrate);
  Fill(controls.ComboSamplingRate, samplingRates, samplingRate);
  SelectStereoOriginal(controls);
}

}  // namespace

void ProfileAac(SettingControls& controls) {
  FillAudioOnly(controls, "aac", "128 Kbps", StandardSamplingRates, "48000 Hz");
}

void ProfileAu(SettingControls& controls) {
  FillAudioOnly(controls, "pcm_s16be", "128 Kbps", StandardSamplingRates, "48000 Hz");
}

void ProfileM4a(SettingControls& controls) {
  FillStandardLists(controls);
  EmptyVideoLists(controls);
  Fill(controls.ComboAudioCodec, {"mpeg4aac"}, "mpeg4aac");
  controls.ComboAudioBitrate.SelectText("128 Kbps");
  controls.ComboSamplingRate.SelectText("48000 Hz");
  SelectStereoOriginal(controls);
}

void ProfileMpegAudio(SettingControls& controls, std::string_view key) {
  if (key == "mp3") {
    FillAudioOnly(controls, "mp3", "192 Kbps", StandardSamplingRates, "48000 Hz");
  } else {
    FillAudioOnly(controls, "mp2", "224 Kbps", StandardSamplingRates, "48000 Hz");
  }
}

void ProfileOgg(SettingControls& controls) {
  FillAudioOnly(controls, "vorbis", "160 Kbps", StandardSamplingRates, "48000 Hz");
}

void ProfileRa(SettingControls& controls) {
  FillAudioOnly(controls, "ac3", "128 Kbps", PaddedSamplingRates, "48000 Hz");
}

void ProfileWav(SettingControls& controls) {
  FillAudioOnly(controls, "pcm_s16le", "128 Kbps", PaddedSamplingRates, "44100 Hz");
}

void ProfileWma(SettingControls& controls) {
  FillAudioOnly(controls, "wmav2", "128 Kbps", PaddedSamplingRates, "48000 Hz");
}

}  // namespace quorbel::app::profiles
