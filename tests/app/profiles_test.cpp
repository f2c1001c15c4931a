// Every profile's lists and defaults, written out from the format tables independently of the
// implementation's shared lists, so that a wrong item or default in either shows.
#include "core/profiles.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "core/format_catalogue.h"

namespace quorbel::app {
namespace {

using Items = std::vector<std::string>;

const Items kSizes = {"Original Video Size", "128 x 96 (SQCIF)", "160 x 120 (QVGA)", "176 x 120",
                      "176 x 144 (QCIF)",    "192 x 144",        "208 x 176",        "220 x 176",
                      "240 x 180",           "320 x 200",        "320 x 240 (VGA)",  "352 x 240",
                      "352 x 288 (CIF)",     "480 x 272",        "480 x 360",        "480 x 480",
                      "480 x 576",           "624 x 352",        "640 x 352",        "640 x 480",
                      "704 x 576 (4CIF)",    "720 x 480",        "720 x 576"};
const Items kVideoRates = {"192 Kbps",  "200 Kbps",  "216 Kbps",  "384 Kbps",  "512 Kbps",
                           "640 Kbps",  "768 Kbps",  "1000 Kbps", "1200 Kbps", "1500 Kbps",
                           "1600 Kbps", "2000 Kbps", "2500 Kbps"};
const Items kAviVideoRates = {"192 Kbps", "200 Kbps",  "216 Kbps",  "384 Kbps",  "512 Kbps", "640 Kbps",
                              "768 Kbps", "1000 Kbps", "1200 Kbps", "1500 Kbps", "2500 Kbps"};
const Items kFps = {"Auto", "14.985 fps", "15.0 fps", "23.975 fps", "25.0 fps", "29.97 fps", "30.0 fps"};
const Items kAudioRates = {"32 Kbps",  "40 Kbps",  "48 Kbps",  "64 Kbps",  "80 Kbps",  "96 Kbps", "112 Kbps",
                           "128 Kbps", "160 Kbps", "192 Kbps", "224 Kbps", "256 Kbps", "320 Kbps"};
const Items kSampling = {"8000 Hz",  "16000 Hz", "22050 Hz", "32000 Hz",
                         "44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"};
const Items kPadded = {"8000  Hz", "16000 Hz", "22050 Hz", "32000 Hz",
                       "44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"};
const Items kDeviceRates = {"512 Kbps", "800 Kbps", "1200 Kbps", "1500 Kbps", "2500 Kbps"};
const Items kHighRates = {"1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps", "3000 Kbps"};
const Items kBroadcastFps = {"23.976 fps [NTSC]", "24 fps", "25 fps [PAL]", "29.97 fps [NTSC]",
                             "30.0 fps",          "50 fps", "59.94 fps"};
const Items kDisc = {"128 x 96 (SQCIF)", "176 x 144 (QCIF)", "352 x 240", "352 x 288 (CIF)",
                     "480 x 272",        "480 x 480",        "640 x 480", "704 x 576 (4CIF)"};
const Items kDvdSizes = {"128 x 96 (SQCIF)", "176 x 144 (QCIF)", "352 x 240", "352 x 288 (CIF)",
                         "480 x 272",        "480 x 480",        "640 x 480", "704 x 576 (4CIF)",
                         "724 x 480",        "724 x 576"};
const Items kAmr = {"4750 bps", "5150 bps", "5900 bps",  "6700 bps",
                    "7400 bps", "7950 bps", "10200 bps", "12200 bps"};
const Items kPlayerSizes = {"Auto", "160 x 120", "320 x 240", "480 x 272", "720 x 480", "640 x 480"};
const Items k3gpVideoRates = {"48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "256 Kbps", "512 Kbps"};
const Items k3gpSizes = {"128 x 96 (SQCIF)", "160 x 120 (QVGA)", "176 x 144 (QCIF)", "208 x 176",
                         "220 x 176",        "320 x 240 (VGA)",  "352 x 288 (CIF)"};
const Items kRmVideoRates = {"384  Kbps", "400  Kbps", "600  Kbps", "1200 Kbps",
                             "1800 Kbps", "2200 Kbps", "2600 Kbps", "3000 Kbps"};
const Items kAppleTvH264Rates = {"512 Kbps",  "800 Kbps",  "1200 Kbps", "1500 Kbps",
                                 "2000 Kbps", "2500 Kbps", "4000 Kbps", "7000 Kbps"};
const Items kZuneRates = {"256 Kbps", "512 Kbps", "768 Kbps", "1200 Kbps", "1500 Kbps", "2000 Kbps"};
const Items kZuneSizes = {"320 x 240 ", "640 x 480"};
const Items kBlackBerryRates = {"80 Kbps", "120 Kbps", "200 Kbps", "256 Kbps", "300 Kbps", "512 Kbps"};
const Items kBlackBerry3gpRates = {"48 Kbps",  "64 Kbps",  "96 Kbps", "120 Kbps",
                                   "128 Kbps", "256 Kbps", "512 Kbps"};
const Items kBlackBerrySizes = {"176 x 144", "240 x 180", "320 x 240"};
const Items kBlackBerryFps = {"11 fps", "15 fps", "20 fps", "24 fps", "25 fps"};
const Items kBlackBerryAudio = {"40 Kbps", "48 Kbps", "64 Kbps", "80 Kbps", "96 Kbps", "112 Kbps"};

struct List {
  Items items;
  std::string selected;  // "" with no items: the list is emptied
};
List One(const std::string& item) {
  return {{item}, item};
}
const List kEmpty = {};

// Channels and aspect before each profile runs, so that "unchanged" is told apart from a choice.
constexpr const char* kPriorChannels = "Mono";
constexpr const char* kPriorAspect = "16:9";
constexpr const char* kUnchanged = nullptr;

struct ProfileCase {
  const char* format;
  List videoCodec, videoBitrate, videoSize, frameRate, audioCodec, audioBitrate, samplingRate;
  const char* channels;
  const char* aspect;
};

const List kAviAudioCodecs = {{"pcm_s16le", "mp3", "mp2", "ac3"}, "pcm_s16le"};

const std::vector<ProfileCase> kCases = {
    // Containers and discs.
    {"3GP - Mobile Video Format (*.3gp)",
     {{"MPEG4", "H263", "H264"}, "MPEG4"},
     {k3gpVideoRates, "128 Kbps"},
     {k3gpSizes, "176 x 144 (QCIF)"},
     {{"Auto", "11 fps", "14.985 fps", "15 fps"}, "Auto"},
     {{"amr_nb", "mpeg4aac"}, "amr_nb"},
     {kAmr, "7400 bps"},
     {{"8000  bps", "16000 bps"}, "8000  bps"},
     "Mono",
     kUnchanged},
    {"3G2 - Mobile Video Format (*.3g2)",
     {{"MPEG4", "H263", "H264"}, "MPEG4"},
     {k3gpVideoRates, "128 Kbps"},
     {k3gpSizes, "176 x 144 (QCIF)"},
     {{"Auto", "11 fps", "14.985 fps", "15 fps"}, "Auto"},
     {{"amr_nb", "mpeg4aac"}, "amr_nb"},
     {kAmr, "7400 bps"},
     {{"8000  bps", "16000 bps"}, "8000  bps"},
     "Mono",
     kUnchanged},
    {"AVI - Audio Video Interleave (*.avi)",
     {{"MPEG4", "H264"}, "MPEG4"},
     {kAviVideoRates, "1200 Kbps"},
     {kSizes, "Original Video Size"},
     {kFps, "Auto"},
     kAviAudioCodecs,
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"AVI - DivX Video (*.avi)",
     One("MPEG4"),
     {kAviVideoRates, "1200 Kbps"},
     {kSizes, "Original Video Size"},
     {kFps, "Auto"},
     One("mp3"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"AVI - XviD Video (*.avi)",
     One("XVID"),
     {kAviVideoRates, "1200 Kbps"},
     {kSizes, "Original Video Size"},
     {kFps, "Auto"},
     One("mp3"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"AVI - Uncompress (*.avi)",
     One("RAWVIDEO"),
     {kAviVideoRates, "1200 Kbps"},
     {kSizes, "Original Video Size"},
     {kFps, "Auto"},
     kAviAudioCodecs,
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"MOV - QuickTime Video (*.mov)",
     One("MPEG4"),
     {kVideoRates, "1200 Kbps"},
     {kSizes, "Original Video Size"},
     {kFps, "Auto"},
     One("mpeg4aac"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "44100 Hz"},
     "Stereo",
     "Original"},
    {"MP4 - MPEG4 Video (*.mp4)",
     {{"MPEG4", "H264", "XVid"}, "MPEG4"},
     {kVideoRates, "1200 Kbps"},
     {kSizes, "Original Video Size"},
     {kFps, "Auto"},
     One("mpeg4aac"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "44100 Hz"},
     "Stereo",
     "Original"},
    {"MPEG-1 Movie (*.mpg)",
     One("MPEG1VIDEO"),
     {kVideoRates, "1600 Kbps"},
     {kSizes, "320 x 240 (VGA)"},
     {kFps, "25.0 fps"},
     One("mp2"),
     {kAudioRates, "192 Kbps"},
     {kSampling, "44100 Hz"},
     "Stereo",
     "Original"},
    {"MPEG-2 Movie (*.mpg)",
     One("MPEG2VIDEO"),
     {kVideoRates, "2000 Kbps"},
     {kSizes, "320 x 240 (VGA)"},
     {kFps, "25.0 fps"},
     {{"mp2", "ac3"}, "mp2"},
     {kAudioRates, "192 Kbps"},
     {kSampling, "44100 Hz"},
     "Stereo",
     "Original"},
    {"RM - Real Video (*.rm)",
     {{"RV10", "RV20"}, "RV10"},
     {kRmVideoRates, "384  Kbps"},
     {kSizes, "320 x 240 (VGA)"},
     {kFps, "Auto"},
     One("ac3"),
     {kAudioRates, "128 Kbps"},
     {kPadded, "48000 Hz"},
     "Stereo",
     "Original"},
    {"WMV - Windows Media Video (*.wmv)",
     One("WMV2"),
     {kVideoRates, "1200 Kbps"},
     {kSizes, "320 x 240 (VGA)"},
     {kFps, "Auto"},
     One("wmav2"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"SWF - Flash Swf (*.swf)",
     One("FLV"),
     {kVideoRates, "200 Kbps"},
     {kSizes, "Original Video Size"},
     {kFps, "15.0 fps"},
     One("mp3"),
     {kAudioRates, "64 Kbps"},
     {{"11025 Hz", "22050 Hz", "44100 Hz"}, "44100 Hz"},
     "Stereo",
     "Original"},
    {"FLV - Flash Video (*.flv)",
     One("FLV"),
     {kVideoRates, "200 Kbps"},
     {kSizes, "Original Video Size"},
     {kFps, "15.0 fps"},
     One("mp3"),
     {kAudioRates, "64 Kbps"},
     {{"11025 Hz", "22050 Hz", "44100 Hz"}, "44100 Hz"},
     "Stereo",
     "Original"},
    {"ASF - Advance Streaming Format (*.asf)",
     One("MSMPEG4"),
     {kHighRates, "1200 Kbps"},
     {kSizes, "Original Video Size"},
     {kFps, "Auto"},
     One("mp3"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"Video CD (*.mpg)",
     One("MPEG1VIDEO"),
     One("1150 Kbps"),
     {kDisc, "352 x 240"},
     {kBroadcastFps, "29.97 fps [NTSC]"},
     One("mp2"),
     {kAudioRates, "224 Kbps"},
     One("44100 Hz"),
     kUnchanged,
     kUnchanged},
    {"Super Video CD (*.mpg)",
     One("MPEG2VIDEO"),
     One("2040 Kbps"),
     {kDisc, "480 x 480"},
     {kBroadcastFps, "29.97 fps [NTSC]"},
     One("mp2"),
     {kAudioRates, "224 Kbps"},
     One("44100 Hz"),
     kUnchanged,
     kUnchanged},
    // The DVD size is this project's choice: the list's NTSC size, matching the NTSC frame rate.
    {"DVD - VOB (*.vob)",
     One("MPEG2VIDEO"),
     One("6000 Kbps"),
     {kDvdSizes, "724 x 480"},
     {kBroadcastFps, "29.97 fps [NTSC]"},
     {{"ac3", "mp2"}, "ac3"},
     {kAudioRates, "224 Kbps"},
     {{"44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"}, "48000 Hz"},
     kUnchanged,
     kUnchanged},
    // Audio-only formats.
    {"AAC - Advance Audio Coding (*.aac)",
     kEmpty,
     kEmpty,
     kEmpty,
     kEmpty,
     One("aac"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"AU - SUN Audio (*.au)",
     kEmpty,
     kEmpty,
     kEmpty,
     kEmpty,
     One("pcm_s16be"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"M4A - Mpeg4 Audio File (*.m4a)",
     kEmpty,
     kEmpty,
     kEmpty,
     kEmpty,
     One("mpeg4aac"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"MP2 - Mpeg Layer2 Audio (*.mp2)",
     kEmpty,
     kEmpty,
     kEmpty,
     kEmpty,
     One("mp2"),
     {kAudioRates, "224 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"MP3 - Mpeg Layer3 Audio (*.mp3)",
     kEmpty,
     kEmpty,
     kEmpty,
     kEmpty,
     One("mp3"),
     {kAudioRates, "192 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"OGG - Ogg Vorbis Audio (*.ogg)",
     kEmpty,
     kEmpty,
     kEmpty,
     kEmpty,
     One("vorbis"),
     {kAudioRates, "160 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"RA - Real Audio (*.ra)",
     kEmpty,
     kEmpty,
     kEmpty,
     kEmpty,
     One("ac3"),
     {kAudioRates, "128 Kbps"},
     {kPadded, "48000 Hz"},
     "Stereo",
     "Original"},
    {"WAV - Waveform Audio (*.wav)",
     kEmpty,
     kEmpty,
     kEmpty,
     kEmpty,
     One("pcm_s16le"),
     {kAudioRates, "128 Kbps"},
     {kPadded, "44100 Hz"},
     "Stereo",
     "Original"},
    {"WMA - Windows Media Audio (*.wma)",
     kEmpty,
     kEmpty,
     kEmpty,
     kEmpty,
     One("wmav2"),
     {kAudioRates, "128 Kbps"},
     {kPadded, "48000 Hz"},
     "Stereo",
     "Original"},
    // Device presets.
    {"iPod (*.mp4)",
     {{"MPEG4", "H264"}, "MPEG4"},
     {kDeviceRates, "512 Kbps"},
     One("320 x 240"),
     {kFps, "Auto"},
     One("mpeg4aac"),
     {kAudioRates, "64 Kbps"},
     {kSampling, "44100 Hz"},
     kUnchanged,
     kUnchanged},
    {"iPod Extra (640 x 480) (*.mp4)",
     {{"MPEG4", "H264"}, "MPEG4"},
     {kDeviceRates, "1500 Kbps"},
     One("640 x 480"),
     {kFps, "Auto"},
     One("mpeg4aac"),
     {kAudioRates, "64 Kbps"},
     {kSampling, "44100 Hz"},
     kUnchanged,
     kUnchanged},
    {"iPod Video For TV (*.mp4)",
     {{"MPEG4", "H264"}, "MPEG4"},
     {kDeviceRates, "1500 Kbps"},
     One("640 x 480"),
     {kFps, "Auto"},
     One("mpeg4aac"),
     {kAudioRates, "64 Kbps"},
     {kSampling, "44100 Hz"},
     kUnchanged,
     kUnchanged},
    {"Apple TV (*.mp4)",
     One("MPEG4"),
     {kDeviceRates, "1500 Kbps"},
     One("640 x 480"),
     {kFps, "Auto"},
     One("mpeg4aac"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "44100 Hz"},
     "Stereo",
     "Original"},
    {"Apple TV H264 (320 x 240) (*.mp4)",
     One("H264"),
     {kAppleTvH264Rates, "1200 Kbps"},
     One("320 x 240"),
     {kFps, "29.97 fps"},
     One("mpeg4aac"),
     {kAudioRates, "64 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"Apple TV H264 (640 x 480) (*.mp4)",
     One("H264"),
     {kAppleTvH264Rates, "2000 Kbps"},
     One("640 x 480"),
     {kFps, "29.97 fps"},
     One("mpeg4aac"),
     {kAudioRates, "64 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"Apple TV H264 (1280 x 720) (*.mp4)",
     One("H264"),
     {kAppleTvH264Rates, "2500 Kbps"},
     One("1280 x 720"),
     {kFps, "23.975 fps"},
     One("mpeg4aac"),
     {kAudioRates, "64 Kbps"},
     {kSampling, "48000 Hz"},
     "Stereo",
     "Original"},
    {"iPod Touch (*.mp4)",
     {{"MPEG4", "H264"}, "MPEG4"},
     {kDeviceRates, "1200 Kbps"},
     One("480 x 320"),
     {kFps, "Auto"},
     One("mpeg4aac"),
     {kAudioRates, "80 Kbps"},
     {kSampling, "44100 Hz"},
     kUnchanged,
     kUnchanged},
    {"iPod Touch Extra (640 x 480) (*.mp4)",
     {{"MPEG4", "H264"}, "MPEG4"},
     {kDeviceRates, "1500 Kbps"},
     One("640 x 480"),
     {kFps, "Auto"},
     One("mpeg4aac"),
     {kAudioRates, "80 Kbps"},
     {kSampling, "44100 Hz"},
     kUnchanged,
     kUnchanged},
    {"iPod Touch Wide Screen (*.mp4)",
     {{"MPEG4", "H264"}, "MPEG4"},
     {kDeviceRates, "1500 Kbps"},
     One("720 x 406"),
     {kFps, "Auto"},
     One("mpeg4aac"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "44100 Hz"},
     "Stereo",
     "Original"},
    {"iPhone (*.mp4)",
     {{"MPEG4", "H264"}, "MPEG4"},
     {kDeviceRates, "1200 Kbps"},
     One("480 x 320"),
     {kFps, "Auto"},
     One("mpeg4aac"),
     {kAudioRates, "80 Kbps"},
     {kSampling, "44100 Hz"},
     "Stereo",
     "Original"},
    {"iPhone Extra (640 x 480) (*.mp4)",
     {{"MPEG4", "H264"}, "MPEG4"},
     {kDeviceRates, "1500 Kbps"},
     One("640 x 480"),
     {kFps, "Auto"},
     One("mpeg4aac"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "44100 Hz"},
     "Stereo",
     "Original"},
    {"iPhone Wide Screen (*.mp4)",
     {{"MPEG4", "H264"}, "MPEG4"},
     {kDeviceRates, "1500 Kbps"},
     One("720 x 480"),
     {kFps, "Auto"},
     One("mpeg4aac"),
     {kAudioRates, "128 Kbps"},
     {kSampling, "44100 Hz"},
     "Stereo",
     "Original"},
    {"Zune Mpeg4 Video (*.mp4)",
     {{"MPEG4", "H264"}, "MPEG4"},
     {kZuneRates, "1500 Kbps"},
     {kZuneSizes, "320 x 240 "},
     One("29.97 fps"),
     One("mpeg4aac"),
     {kAudioRates, "128 Kbps"},
     {kPadded, "44100 Hz"},
     "Stereo",
     "Original"},
    {"Zune WMV Windows Media Video (*.wmv)",
     One("WMV2"),
     {kZuneRates, "1200 Kbps"},
     {kZuneSizes, "320 x 240 "},
     {kFps, "Auto"},
     One("wmav2"),
     {kAudioRates, "128 Kbps"},
     {kPadded, "48000 Hz"},
     "Stereo",
     "Original"},
    {"PSP Video (*.mp4)",
     {{"MPEG4", "H264", "XVID"}, "MPEG4"},
     One("768 Kbps"),
     {{"160 x 112", "320 x 240", "368 x 208", "480 x 272"}, "368 x 208"},
     {{"14.985 fps", "29.97 fps"}, "29.97 fps"},
     One("mpeg4aac"),
     {{"32 Kbps", "48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "160 Kbps"}, "64 Kbps"},
     One("24000 Hz"),
     "Stereo",
     "Original"},
    {"PS3 Video (*.mp4)",
     One("H264"),
     {kHighRates, "1200 Kbps"},
     {{"640 x 480", "720 x 480", "720 x 576"}, "720 x 480"},
     One("29.97 fps"),
     One("mpeg4aac"),
     {kAudioRates, "96 Kbps"},
     {kPadded, "44100 Hz"},
     "Stereo",
     "Original"},
    {"PS3 Video(480P) (*.mp4)",
     One("H264"),
     {kHighRates, "1200 Kbps"},
     {{"640 x 480", "720 x 480", "720 x 576"}, "720 x 480"},
     One("29.97 fps"),
     One("mpeg4aac"),
     {kAudioRates, "96 Kbps"},
     {kPadded, "44100 Hz"},
     "Stereo",
     "Original"},
    {"PS3 Video(720P) (*.mp4)",
     One("H264"),
     {kHighRates, "2000 Kbps"},
     One("1280 x 720"),
     One("29.97 fps"),
     One("mpeg4aac"),
     {kAudioRates, "96 Kbps"},
     {kPadded, "44100 Hz"},
     "Stereo",
     "Original"},
    {"PS3 Video(1080P) (*.mp4)",
     One("H264"),
     {kHighRates, "2000 Kbps"},
     One("1920 x 1072"),
     One("29.97 fps"),
     One("mpeg4aac"),
     {kAudioRates, "96 Kbps"},
     {kPadded, "44100 Hz"},
     "Stereo",
     "Original"},
    {"Archos AV500/GMini402 (*.avi)",
     One("MPEG4"),
     {kVideoRates, "1200 Kbps"},
     {kPlayerSizes, "480 x 272"},
     {kFps, "Auto"},
     {{"mp3", "mp2"}, "mp3"},
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     kUnchanged,
     kUnchanged},
    {"Archos AV700 (*.avi)",
     One("MPEG4"),
     {{"1000 Kbps", "1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps"}, "2000 Kbps"},
     {kPlayerSizes, "720 x 480"},
     {kFps, "Auto"},
     {{"mp3", "mp2"}, "mp3"},
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     kUnchanged,
     kUnchanged},
    {"Creative Zen Vision (*.avi)",
     One("MPEG4"),
     {kVideoRates, "1200 Kbps"},
     {kPlayerSizes, "640 x 480"},
     {kFps, "Auto"},
     {{"mp3", "mp2"}, "mp3"},
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     kUnchanged,
     kUnchanged},
    {"iRiver PMP100 (*.avi)",
     One("MPEG4"),
     {kVideoRates, "1200 Kbps"},
     {kPlayerSizes, "640 x 480"},
     {kFps, "Auto"},
     {{"mp3", "mp2"}, "mp3"},
     {kAudioRates, "128 Kbps"},
     {kSampling, "48000 Hz"},
     kUnchanged,
     kUnchanged},
    {"BlackBerry MPEG-4 Video (*.mp4)",
     One("MPEG4"),
     {kBlackBerryRates, "300 Kbps"},
     {kBlackBerrySizes, "320 x 240"},
     {kBlackBerryFps, "24 fps"},
     One("mpeg4aac"),
     {kBlackBerryAudio, "80 Kbps"},
     {kSampling, "44100 Hz"},
     kUnchanged,
     kUnchanged},
    {"BlackBerry AVI Video (*.avi)",
     One("H263"),
     {kBlackBerryRates, "300 Kbps"},
     One("176 x 144"),
     {kBlackBerryFps, "24 fps"},
     {{"mp3", "pcm_s16le"}, "mp3"},
     {kBlackBerryAudio, "80 Kbps"},
     {kSampling, "44100 Hz"},
     kUnchanged,
     kUnchanged},
    {"BlackBerry 3GP Video (*.3gp)",
     {{"MPEG4", "H263"}, "MPEG4"},
     {kBlackBerry3gpRates, "120 Kbps"},
     {kBlackBerrySizes, "176 x 144"},
     {{"Auto", "11 fps", "15 fps", "20 fps", "24 fps", "25 fps"}, "15 fps"},
     {{"amr_nb", "mpeg4aac"}, "amr_nb"},
     {kAmr, "4750 bps"},
     {{"8000  Hz", "16000 Hz"}, "8000  Hz"},
     kUnchanged,
     kUnchanged},
};

void ExpectList(const SettingList& actual, const List& expected, const char* control) {
  EXPECT_EQ(actual.Items(), expected.items) << control;
  EXPECT_EQ(actual.Text(), expected.selected) << control;
  EXPECT_EQ(actual.ItemIndex() < 0, expected.items.empty()) << control;
}

void PrintTo(const ProfileCase& c, std::ostream* out) {
  *out << c.format;
}

class EveryProfile : public testing::TestWithParam<ProfileCase> {};

TEST_P(EveryProfile, FillsItsListsAndDefaults) {
  const ProfileCase& expected = GetParam();
  const TheAVCodec* format = FindFormat(expected.format);
  ASSERT_NE(format, nullptr);

  // Lists left over from an earlier profile must be replaced, never added to.
  SettingControls controls;
  for (SettingList* list : {&controls.ComboVideoBitrate, &controls.ComboVideoCodec, &controls.ComboVideoSize,
                            &controls.ComboVideoFramerate, &controls.ComboAudioBitrate,
                            &controls.ComboAudioCodec, &controls.ComboSamplingRate}) {
    *list = SettingList({"left over"}, 0);
  }
  controls.ComboAudioChannels.SelectText(kPriorChannels);
  controls.ComboAspectRatio.SelectText(kPriorAspect);

  RunProfileFiller(format->TypeNo, controls);

  ExpectList(controls.ComboVideoCodec, expected.videoCodec, "video codec");
  ExpectList(controls.ComboVideoBitrate, expected.videoBitrate, "video bit-rate");
  ExpectList(controls.ComboVideoSize, expected.videoSize, "video size");
  ExpectList(controls.ComboVideoFramerate, expected.frameRate, "frame rate");
  ExpectList(controls.ComboAudioCodec, expected.audioCodec, "audio codec");
  ExpectList(controls.ComboAudioBitrate, expected.audioBitrate, "audio bit-rate");
  ExpectList(controls.ComboSamplingRate, expected.samplingRate, "sampling rate");
  EXPECT_EQ(controls.ComboAudioChannels.Text(), expected.channels ? expected.channels : kPriorChannels);
  EXPECT_EQ(controls.ComboAspectRatio.Text(), expected.aspect ? expected.aspect : kPriorAspect);
  EXPECT_EQ(controls.ComboAudioChannels.Items(), (Items{"Stereo", "Mono"}));
  EXPECT_EQ(controls.ComboAspectRatio.Items(), (Items{"Original", "4:3", "16:9"}));
}

std::string CaseName(const testing::TestParamInfo<ProfileCase>& info) {
  std::string name;
  for (const char c : std::string(info.param.format)) {
    if (std::isalnum(static_cast<unsigned char>(c))) name += c;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryProfile, testing::ValuesIn(kCases), CaseName);

TEST(EveryProfile, TheTableCoversTheWholeCatalogue) {
  std::set<std::string> covered;
  for (const ProfileCase& c : kCases) covered.insert(c.format);
  for (const TheAVCodec& row : FormatCatalogue()) EXPECT_EQ(covered.count(std::string(row.DisplayName)), 1u);
  EXPECT_EQ(kCases.size(), 54u);
}

TEST(FillStandardLists, FillsFiveListsAndSelectsNothing) {
  SettingControls controls;
  controls.ComboVideoCodec = SettingList({"kept"}, 0);
  FillStandardLists(controls);
  EXPECT_EQ(controls.ComboVideoSize.Items(), kSizes);
  EXPECT_EQ(controls.ComboVideoBitrate.Items(), kVideoRates);
  EXPECT_EQ(controls.ComboVideoFramerate.Items(), kFps);
  EXPECT_EQ(controls.ComboAudioBitrate.Items(), kAudioRates);
  EXPECT_EQ(controls.ComboSamplingRate.Items(), kSampling);
  for (const SettingList* list :
       {&controls.ComboVideoSize, &controls.ComboVideoBitrate, &controls.ComboVideoFramerate,
        &controls.ComboAudioBitrate, &controls.ComboSamplingRate}) {
    EXPECT_EQ(list->ItemIndex(), -1);
  }
  EXPECT_EQ(controls.ComboVideoCodec.Text(), "kept");
}

TEST(RunProfileFiller, ATypeNoOutsideTheCatalogueChangesNothing) {
  SettingControls controls;
  controls.ComboVideoCodec = SettingList({"kept"}, 0);
  const SettingControls before = controls;
  RunProfileFiller(-1, controls);
  RunProfileFiller(54, controls);
  EXPECT_EQ(controls, before);
}

}  // namespace
}  // namespace quorbel::app
