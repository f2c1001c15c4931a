// Profiles of the device presets.
#include <string>
#include <utility>

#include "core/profile_routines.h"

namespace quorbel::app::profiles {

namespace {

const ItemList kAppleTvH264VideoBitrates = {"512 Kbps",  "800 Kbps",  "1200 Kbps", "1500 Kbps",
                                            "2000 Kbps", "2500 Kbps", "4000 Kbps", "7000 Kbps"};
const ItemList kZuneVideoBitrates = {"256 Kbps",  "512 Kbps",  "768 Kbps",
                                     "1200 Kbps", "1500 Kbps", "2000 Kbps"};
// The trailing blank of the first size is part of the item.
const ItemList kZuneVideoSizes = {"320 x 240 ", "640 x 480"};
const ItemList kPspVideoSizes = {"160 x 112", "320 x 240", "368 x 208", "480 x 272"};
const ItemList kPspFrameRates = {"14.985 fps", "29.97 fps"};
const ItemList kPspAudioBitrates = {"32 Kbps", "48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "160 Kbps"};
const ItemList kPs3VideoSizes = {"640 x 480", "720 x 480", "720 x 576"};
const ItemList kArchosAv700VideoBitrates = {"1000 Kbps", "1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps"};
const ItemList kBlackBerryVideoBitrates = {"80 Kbps",  "120 Kbps", "200 Kbps",
                                           "256 Kbps", "300 Kbps", "512 Kbps"};
const ItemList kBlackBerry3gpVideoBitrates = {"48 Kbps",  "64 Kbps",  "96 Kbps", "120 Kbps",
                                              "128 Kbps", "256 Kbps", "512 Kbps"};
const ItemList kBlackBerryVideoSizes = {"176 x 144", "240 x 180", "320 x 240"};
const ItemList kBlackBerryFrameRates = {"11 fps", "15 fps", "20 fps", "24 fps", "25 fps"};
const ItemList kBlackBerryAudioBitrates = {"40 Kbps", "48 Kbps", "64 Kbps", "80 Kbps", "96 Kbps", "112 Kbps"};

// iPod, iPod Touch and iPhone: one frame size, MPEG4 or H264 with AAC audio.
void FillPocketLists(SettingControls& controls, std::string_view size, std::string_view videoBitrate,
                     std::string_view audioBitrate) {
  Fill(controls.ComboVideoSize, {std::string(size)}, size);
  Fill(controls.ComboVideoCodec, {"MPEG4", "H264"}, "MPEG4");
  Fill(controls.ComboVideoBitrate, DeviceVideoBitrates, videoBitrate);
  Fill(controls.ComboVideoFramerate, StandardFrameRates, "Auto");
  Fill(controls.ComboAudioCodec, {"mpeg4aac"}, "mpeg4aac");
  Fill(controls.ComboAudioBitrate, StandardAudioBitrates, audioBitrate);
  Fill(controls.ComboSamplingRate, StandardSamplingRates, "44100 Hz");
}

// The PS3 presets differ in size and video bit-rate only.
void FillPs3(SettingControls& controls, const ItemList& sizes, std::string_view size,
             std::string_view videoBitrate) {
  Fill(controls.ComboVideoCodec, {"H264"}, "H264");
  Fill(controls.ComboVideoBitrate, HighVideoBitrates, videoBitrate);
  Fill(controls.ComboVideoSize, sizes, size);
  Fill(controls.ComboVideoFramerate, {"29.97 fps"}, "29.97 fps");
  Fill(controls.ComboAudioCodec, {"mpeg4aac"}, "mpeg4aac");
  Fill(controls.ComboAudioBitrate, StandardAudioBitrates, "96 Kbps");
  Fill(controls.ComboSamplingRate, PaddedSamplingRates, "44100 Hz");
  SelectStereoOriginal(controls);
}

}  // namespace

void ProfileIPod(SettingControls& controls, std::string_view key) {
  if (key == "Normal") {
    FillPocketLists(controls, "320 x 240", "512 Kbps", "64 Kbps");
  } else {
    FillPocketLists(controls, "640 x 480", "1500 Kbps", "64 Kbps");
  }
}

void ProfileIPodTouch(SettingControls& controls, std::string_view key) {
  if (key == "Normal") {
    FillPocketLists(controls, "480 x 320", "1200 Kbps", "80 Kbps");
  } else if (key == "Extra") {
    FillPocketLists(controls, "640 x 480", "1500 Kbps", "80 Kbps");
  } else {
    FillPocketLists(controls, "720 x 406", "1500 Kbps", "128 Kbps");
    SelectStereoOriginal(controls);
  }
}

void ProfileIPhone(SettingControls& controls, std::string_view key) {
  if (key == "480 x 320") {
    FillPocketLists(controls, key, "1200 Kbps", "80 Kbps");
  } else {
    FillPocketLists(controls, key, "1500 Kbps", "128 Kbps");
  }
  SelectStereoOriginal(controls);
}

void ProfileAppleTv(SettingControls& controls, std::string_view key) {
  Fill(controls.ComboVideoCodec, {"MPEG4"}, "MPEG4");
  Fill(controls.ComboVideoSize, {"640 x 480"}, "640 x 480");
  Fill(controls.ComboVideoFramerate, StandardFrameRates, "Auto");
  Fill(controls.ComboAudioCodec, {"mpeg4aac"}, "mpeg4aac");
  Fill(controls.ComboSamplingRate, StandardSamplingRates, "44100 Hz");
  controls.ComboVideoBitrate.SetItems(DeviceVideoBitrates);
  controls.ComboAudioBitrate.SetItems(StandardAudioBitrates);
  if (key == "Good") {
    controls.ComboVideoBitrate.SelectText("1500 Kbps");
    controls.ComboAudioBitrate.SelectText("128 Kbps");
  }
  SelectStereoOriginal(controls);
}

void ProfileAppleTvH264(SettingControls& controls, std::string_view key) {
  Fill(controls.ComboVideoCodec, {"H264"}, "H264");
  Fill(controls.ComboVideoSize, {std::string(key)}, key);
  Fill(controls.ComboVideoBitrate, kAppleTvH264VideoBitrates,
       key == "320 x 240"   ? "1200 Kbps"
       : key == "640 x 480" ? "2000 Kbps"
                            : "2500 Kbps");
  Fill(controls.ComboVideoFramerate, StandardFrameRates, key == "1280 x 720" ? "23.975 fps" : "29.97 fps");
  Fill(controls.ComboAudioCodec, {"mpeg4aac"}, "mpeg4aac");
  Fill(controls.ComboAudioBitrate, StandardAudioBitrates, "64 Kbps");
  Fill(controls.ComboSamplingRate, StandardSamplingRates, "48000 Hz");
  SelectStereoOriginal(controls);
}

void ProfilePsp(SettingControls& controls, std::string_view key) {
  Fill(controls.ComboVideoCodec, {"MPEG4", "H264", "XVID"}, "MPEG4");
  controls.ComboVideoBitrate.Clear();
  if (key == "Good Quality") Fill(controls.ComboVideoBitrate, {"768 Kbps"}, "768 Kbps");
  Fill(controls.ComboVideoSize, kPspVideoSizes, "368 x 208");
  Fill(controls.ComboVideoFramerate, kPspFrameRates, "29.97 fps");
  Fill(controls.ComboAudioCodec, {"mpeg4aac"}, "mpeg4aac");
  Fill(controls.ComboAudioBitrate, kPspAudioBitrates, "64 Kbps");
  Fill(controls.ComboSamplingRate, {"24000 Hz"}, "24000 Hz");
  SelectStereoOriginal(controls);
}

void ProfilePs3(SettingControls& controls) {
  FillPs3(controls, kPs3VideoSizes, "720 x 480", "1200 Kbps");
}

void ProfilePs3_720p(SettingControls& controls) {
  FillPs3(controls, {"1280 x 720"}, "1280 x 720", "2000 Kbps");
}

void ProfilePs3_1080p(SettingControls& controls) {
  FillPs3(controls, {"1920 x 1072"}, "1920 x 1072", "2000 Kbps");
}

void ProfileZuneMpeg4(SettingControls& controls) {
  Fill(controls.ComboVideoCodec, {"MPEG4", "H264"}, "MPEG4");
  Fill(controls.ComboVideoBitrate, kZuneVideoBitrates, "1500 Kbps");
  Fill(controls.ComboVideoSize, kZuneVideoSizes, "320 x 240 ");
  Fill(controls.ComboVideoFramerate, {"29.97 fps"}, "29.97 fps");
  Fill(controls.ComboAudioCodec, {"mpeg4aac"}, "mpeg4aac");
  Fill(controls.ComboAudioBitrate, StandardAudioBitrates, "128 Kbps");
  Fill(controls.ComboSamplingRate, PaddedSamplingRates, "44100 Hz");
  SelectStereoOriginal(controls);
}

void ProfileZuneWmv(SettingControls& controls) {
  Fill(controls.ComboVideoCodec, {"WMV2"}, "WMV2");
  Fill(controls.ComboVideoBitrate, kZuneVideoBitrates, "1200 Kbps");
  Fill(controls.ComboVideoSize, kZuneVideoSizes, "320 x 240 ");
  Fill(controls.ComboVideoFramerate, StandardFrameRates, "Auto");
  Fill(controls.ComboAudioCodec, {"wmav2"}, "wmav2");
  Fill(controls.ComboAudioBitrate, StandardAudioBitrates, "128 Kbps");
  Fill(controls.ComboSamplingRate, PaddedSamplingRates, "48000 Hz");
  SelectStereoOriginal(controls);
}

void ProfileArchosAv500(SettingControls& controls) {
  Fill(controls.ComboVideoCodec, {"MPEG4"}, "MPEG4");
  Fill(controls.ComboVideoBitrate, StandardVideoBitrates, "1200 Kbps");
  Fill(controls.ComboVideoSize, PlayerVideoSizes, "480 x 272");
  Fill(controls.ComboVideoFramerate, StandardFrameRates, "Auto");
  Fill(controls.ComboAudioCodec, {"mp3", "mp2"}, "mp3");
  Fill(controls.ComboAudioBitrate, StandardAudioBitrates, "128 Kbps");
  Fill(controls.ComboSamplingRate, StandardSamplingRates, "48000 Hz");
}

void ProfileArchosAv700(SettingControls& controls) {
  ProfileArchosAv500(controls);
  controls.ComboVideoSize.SelectText("720 x 480");
  Fill(controls.ComboVideoBitrate, kArchosAv700VideoBitrates, "2000 Kbps");
}

void ProfilePlayer640x480(SettingControls& controls) {
  ProfileArchosAv500(controls);
  controls.ComboVideoSize.SelectText("640 x 480");
}

void ProfileBlackBerryMpeg4(SettingControls& controls) {
  Fill(controls.ComboVideoCodec, {"MPEG4"}, "MPEG4");
  Fill(controls.ComboVideoBitrate, kBlackBerryVideoBitrates, "300 Kbps");
  Fill(controls.ComboVideoSize, kBlackBerryVideoSizes, "320 x 240");
  Fill(controls.ComboVideoFramerate, kBlackBerryFrameRates, "24 fps");
  Fill(controls.ComboAudioCodec, {"mpeg4aac"}, "mpeg4aac");
  Fill(controls.ComboAudioBitrate, kBlackBerryAudioBitrates, "80 Kbps");
  Fill(controls.ComboSamplingRate, StandardSamplingRates, "44100 Hz");
}

void ProfileBlackBerryAvi(SettingControls& controls) {
  Fill(controls.ComboVideoCodec, {"H263"}, "H263");
  Fill(controls.ComboVideoBitrate, kBlackBerryVideoBitrates, "300 Kbps");
  Fill(controls.ComboVideoSize, {"176 x 144"}, "176 x 144");
  Fill(controls.ComboVideoFramerate, kBlackBerryFrameRates, "24 fps");
  Fill(controls.ComboAudioCodec, {"mp3", "pcm_s16le"}, "mp3");
  Fill(controls.ComboAudioBitrate, kBlackBerryAudioBitrates, "80 Kbps");
  Fill(controls.ComboSamplingRate, StandardSamplingRates, "44100 Hz");
}

void ProfileBlackBerry3gp(SettingControls& controls) {
  Fill(controls.ComboVideoCodec, {"MPEG4", "H263"}, "MPEG4");
  Fill(controls.ComboVideoBitrate, kBlackBerry3gpVideoBitrates, "120 Kbps");
  Fill(controls.ComboVideoSize, kBlackBerryVideoSizes, "176 x 144");
  ItemList frameRates = {"Auto"};
  frameRates.insert(frameRates.end(), kBlackBerryFrameRates.begin(), kBlackBerryFrameRates.end());
  Fill(controls.ComboVideoFramerate, std::move(frameRates), "15 fps");
  Fill(controls.ComboAudioCodec, {"amr_nb", "mpeg4aac"}, "amr_nb");
  Fill(controls.ComboAudioBitrate, AmrBitrates, "4750 bps");
  Fill(controls.ComboSamplingRate, {"8000  Hz", "16000 Hz"}, "8000  Hz");
}

}  // namespace quorbel::app::profiles
