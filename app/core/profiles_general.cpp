// Profiles of the container and disc formats.
#include <utility>

#include "core/profile_routines.h"
#include "core/profiles.h"

namespace quorbel::app {

void FillStandardLists(SettingControls& controls) {
  controls.ComboVideoSize.SetItems(StandardVideoSizes);
  controls.ComboVideoBitrate.SetItems(StandardVideoBitrates);
  controls.ComboVideoFramerate.SetItems(StandardFrameRates);
  controls.ComboAudioBitrate.SetItems(StandardAudioBitrates);
  controls.ComboSamplingRate.SetItems(StandardSamplingRates);
}

namespace profiles {

namespace {

// StandardVideoBitrates without "1600 Kbps" and "2000 Kbps".
const ItemList kAviVideoBitrates = {"192 Kbps", "200 Kbps",  "216 Kbps",  "384 Kbps",  "512 Kbps", "640 Kbps",
                                    "768 Kbps", "1000 Kbps", "1200 Kbps", "1500 Kbps", "2500 Kbps"};
const ItemList kPcmFirstAudioCodecs = {"pcm_s16le", "mp3", "mp2", "ac3"};

// After FillStandardLists: selects the defaults of the five standard lists.
void SelectStandardDefaults(SettingControls& controls, std::string_view videoBitrate, std::string_view size,
                            std::string_view frameRate, std::string_view audioBitrate,
                            std::string_view samplingRate) {
  controls.ComboVideoBitrate.SelectText(videoBitrate);
  controls.ComboVideoSize.SelectText(size);
  controls.ComboVideoFramerate.SelectText(frameRate);
  controls.ComboAudioBitrate.SelectText(audioBitrate);
  controls.ComboSamplingRate.SelectText(samplingRate);
}

// Video CD, Super Video CD and DVD: one codec and one bit-rate each, broadcast frame rates.
void FillDisc(SettingControls& controls, std::string_view codec, std::string_view videoBitrate) {
  Fill(controls.ComboVideoCodec, {std::string(codec)}, codec);
  Fill(controls.ComboVideoBitrate, {std::string(videoBitrate)}, videoBitrate);
  Fill(controls.ComboVideoFramerate, BroadcastFrameRates, "29.97 fps [NTSC]");
  Fill(controls.ComboAudioBitrate, StandardAudioBitrates, "224 Kbps");
}

}  // namespace

void Fill(SettingList& list, ItemList items, std::string_view selected) {
  list.SetItems(std::move(items));
  list.SelectText(selected);
}

void SelectStereoOriginal(SettingControls& controls) {
  controls.ComboAudioChannels.SelectText("Stereo");
  controls.ComboAspectRatio.SelectText("Original");
}

void Profile3gp(SettingControls& controls) {
  Fill(controls.ComboVideoCodec, {"MPEG4", "H263", "H264"}, "MPEG4");
  Fill(controls.ComboVideoBitrate, {"48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "256 Kbps", "512 Kbps"},
       "128 Kbps");
  Fill(controls.ComboVideoSize,
       {"128 x 96 (SQCIF)", "160 x 120 (QVGA)", "176 x 144 (QCIF)", "208 x 176", "220 x 176",
        "320 x 240 (VGA)", "352 x 288 (CIF)"},
       "176 x 144 (QCIF)");
  Fill(controls.ComboVideoFramerate, {"Auto", "11 fps", "14.985 fps", "15 fps"}, "Auto");
  Fill(controls.ComboAudioCodec, {"amr_nb", "mpeg4aac"}, "amr_nb");
  Fill(controls.ComboAudioBitrate, AmrBitrates, "7400 bps");
  Fill(controls.ComboSamplingRate, {"8000  bps", "16000 bps"}, "8000  bps");
  controls.ComboAudioChannels.SelectText("Mono");
}

void ProfileAvi(SettingControls& controls, std::string_view key) {
  if (key == "divx") {
    Fill(controls.ComboVideoCodec, {"MPEG4"}, "MPEG4");
    Fill(controls.ComboAudioCodec, {"mp3"}, "mp3");
  } else if (key == "xvid") {
    Fill(controls.ComboVideoCodec, {"XVID"}, "XVID");
    Fill(controls.ComboAudioCodec, {"mp3"}, "mp3");
  } else if (key == "uncompress") {
    Fill(controls.ComboVideoCodec, {"RAWVIDEO"}, "RAWVIDEO");
    Fill(controls.ComboAudioCodec, kPcmFirstAudioCodecs, "pcm_s16le");
  } else {
    Fill(controls.ComboVideoCodec, {"MPEG4", "H264"}, "MPEG4");
    Fill(controls.ComboAudioCodec, kPcmFirstAudioCodecs, "pcm_s16le");
  }
  Fill(controls.ComboVideoBitrate, kAviVideoBitrates, "1200 Kbps");
  Fill(controls.ComboVideoSize, StandardVideoSizes, "Original Video Size");
  Fill(controls.ComboVideoFramerate, StandardFrameRates, "Auto");
  Fill(controls.ComboAudioBitrate, StandardAudioBitrates, "128 Kbps");
  Fill(controls.ComboSamplingRate, StandardSamplingRates, "48000 Hz");
  SelectStereoOriginal(controls);
}

void ProfileMpeg(SettingControls& controls, std::string_view key) {
  FillStandardLists(controls);
  if (key == "mpeg1") {
    Fill(controls.ComboVideoCodec, {"MPEG1VIDEO"}, "MPEG1VIDEO");
    Fill(controls.ComboAudioCodec, {"mp2"}, "mp2");
  } else {
    Fill(controls.ComboVideoCodec, {"MPEG2VIDEO"}, "MPEG2VIDEO");
    Fill(controls.ComboAudioCodec, {"mp2", "ac3"}, "mp2");
  }
  SelectStandardDefaults(controls, key == "mpeg1" ? "1600 Kbps" : "2000 Kbps", "320 x 240 (VGA)", "25.0 fps",
                         "192 Kbps", "44100 Hz");
  SelectStereoOriginal(controls);
}

void ProfileMov(SettingControls& controls) {
  FillStandardLists(controls);
  Fill(controls.ComboVideoCodec, {"MPEG4"}, "MPEG4");
  Fill(controls.ComboAudioCodec, {"mpeg4aac"}, "mpeg4aac");
  SelectStandardDefaults(controls, "1200 Kbps", "Original Video Size", "Auto", "128 Kbps", "44100 Hz");
  SelectStereoOriginal(controls);
}

void ProfileMp4(SettingControls& controls) {
  ProfileMov(controls);
  Fill(controls.ComboVideoCodec, {"MPEG4", "H264", "XVid"}, "MPEG4");
}

void ProfileRm(SettingControls& controls) {
  Fill(controls.ComboVideoCodec, {"RV10", "RV20"}, "RV10");
  Fill(controls.ComboVideoBitrate,
       {"384  Kbps", "400  Kbps", "600  Kbps", "1200 Kbps", "1800 Kbps", "2200 Kbps", "2600 Kbps",
        "3000 Kbps"},
       "384  Kbps");
  Fill(controls.ComboVideoSize, StandardVideoSizes, "320 x 240 (VGA)");
  Fill(controls.ComboVideoFramerate, StandardFrameRates, "Auto");
  Fill(controls.ComboAudioCodec, {"ac3"}, "ac3");
  Fill(controls.ComboAudioBitrate, StandardAudioBitrates, "128 Kbps");
  Fill(controls.ComboSamplingRate, PaddedSamplingRates, "48000 Hz");
  SelectStereoOriginal(controls);
}

void ProfileWmv(SettingControls& controls) {
  FillStandardLists(controls);
  Fill(controls.ComboVideoCodec, {"WMV2"}, "WMV2");
  Fill(controls.ComboAudioCodec, {"wmav2"}, "wmav2");
  SelectStandardDefaults(controls, "1200 Kbps", "320 x 240 (VGA)", "Auto", "128 Kbps", "48000 Hz");
  SelectStereoOriginal(controls);
}

void ProfileFlash(SettingControls& controls) {
  FillStandardLists(controls);
  controls.ComboSamplingRate.SetItems({"11025 Hz", "22050 Hz", "44100 Hz"});
  Fill(controls.ComboVideoCodec, {"FLV"}, "FLV");
  Fill(controls.ComboAudioCodec, {"mp3"}, "mp3");
  SelectStandardDefaults(controls, "200 Kbps", "Original Video Size", "15.0 fps", "64 Kbps", "44100 Hz");
  SelectStereoOriginal(controls);
}

void ProfileAsf(SettingControls& controls) {
  FillStandardLists(controls);
  controls.ComboVideoBitrate.SetItems(HighVideoBitrates);
  Fill(controls.ComboVideoCodec, {"MSMPEG4"}, "MSMPEG4");
  Fill(controls.ComboAudioCodec, {"mp3"}, "mp3");
  SelectStandardDefaults(controls, "1200 Kbps", "Original Video Size", "Auto", "128 Kbps", "48000 Hz");
  SelectStereoOriginal(controls);
}

void ProfileVideoCd(SettingControls& controls) {
  FillDisc(controls, "MPEG1VIDEO", "1150 Kbps");
  Fill(controls.ComboVideoSize, DiscVideoSizes, "352 x 240");
  Fill(controls.ComboAudioCodec, {"mp2"}, "mp2");
  Fill(controls.ComboSamplingRate, {"44100 Hz"}, "44100 Hz");
}

void ProfileSuperVideoCd(SettingControls& controls) {
  FillDisc(controls, "MPEG2VIDEO", "2040 Kbps");
  Fill(controls.ComboVideoSize, DiscVideoSizes, "480 x 480");
  Fill(controls.ComboAudioCodec, {"mp2"}, "mp2");
  Fill(controls.ComboSamplingRate, {"44100 Hz"}, "44100 Hz");
}

void ProfileDvd(SettingControls& controls) {
  FillDisc(controls, "MPEG2VIDEO", "6000 Kbps");
  ItemList sizes = DiscVideoSizes;
  sizes.insert(sizes.end(), {"724 x 480", "724 x 576"});
  // "724 x 480" is the NTSC size of the list and matches the NTSC frame rate preselected above;
  // preselecting it keeps the size box from showing nothing and gives the job a defined size.
  Fill(controls.ComboVideoSize, std::move(sizes), "724 x 480");
  Fill(controls.ComboAudioCodec, {"ac3", "mp2"}, "ac3");
  Fill(controls.ComboSamplingRate, {"44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"}, "48000 Hz");
}

}  // namespace profiles
}  // namespace quorbel::app
