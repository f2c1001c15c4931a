#include "core/profile_lists.h"

namespace quorbel::app {

const ItemList StandardVideoSizes = {
    "Original Video Size", "128 x 96 (SQCIF)", "160 x 120 (QVGA)", "176 x 120", "176 x 144 (QCIF)",
    "192 x 144",           "208 x 176",        "220 x 176",        "240 x 180", "320 x 200",
    "320 x 240 (VGA)",     "352 x 240",        "352 x 288 (CIF)",  "480 x 272", "480 x 360",
    "480 x 480",           "480 x 576",        "624 x 352",        "640 x 352", "640 x 480",
    "704 x 576 (4CIF)",    "720 x 480",        "720 x 576"};

const ItemList StandardVideoBitrates = {"192 Kbps",  "200 Kbps",  "216 Kbps",  "384 Kbps",  "512 Kbps",
                                        "640 Kbps",  "768 Kbps",  "1000 Kbps", "1200 Kbps", "1500 Kbps",
                                        "1600 Kbps", "2000 Kbps", "2500 Kbps"};

const ItemList StandardFrameRates = {"Auto",     "14.985 fps", "15.0 fps", "23.975 fps",
                                     "25.0 fps", "29.97 fps",  "30.0 fps"};

const ItemList StandardAudioBitrates = {"32 Kbps",  "40 Kbps",  "48 Kbps",  "64 Kbps",  "80 Kbps",
                                        "96 Kbps",  "112 Kbps", "128 Kbps", "160 Kbps", "192 Kbps",
                                        "224 Kbps", "256 Kbps", "320 Kbps"};

const ItemList StandardSamplingRates = {"8000 Hz",  "16000 Hz", "22050 Hz", "32000 Hz",
                                        "44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"};

const ItemList PaddedSamplingRates = {"8000  Hz", "16000 Hz", "22050 Hz", "32000 Hz",
                                      "44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"};

const ItemList DeviceVideoBitrates = {"512 Kbps", "800 Kbps", "1200 Kbps", "1500 Kbps", "2500 Kbps"};

const ItemList HighVideoBitrates = {"1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps", "3000 Kbps"};

const ItemList BroadcastFrameRates = {"23.976 fps [NTSC]", "24 fps", "25 fps [PAL]", "29.97 fps [NTSC]",
                                      "30.0 fps",          "50 fps", "59.94 fps"};

const ItemList DiscVideoSizes = {"128 x 96 (SQCIF)", "176 x 144 (QCIF)", "352 x 240", "352 x 288 (CIF)",
                                 "480 x 272",        "480 x 480",        "640 x 480", "704 x 576 (4CIF)"};

const ItemList AmrBitrates = {"4750 bps", "5150 bps", "5900 bps",  "6700 bps",
                              "7400 bps", "7950 bps", "10200 bps", "12200 bps"};

const ItemList PlayerVideoSizes = {"Auto", "160 x 120", "320 x 240", "480 x 272", "720 x 480", "640 x 480"};

}  // namespace quorbel::app
