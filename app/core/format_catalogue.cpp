#include "core/format_catalogue.h"

namespace quorbel::app {

namespace {

constexpr TheAVCodec Row(FormatType type, std::string_view name, std::string_view tag) {
  return TheAVCodec{name, tag, static_cast<int>(type)};
}

using F = FormatType;

constexpr std::array<TheAVCodec, kFormatCount> kCatalogue = {
    Row(F::k3gp, "3GP - Mobile Video Format (*.3gp)", "3GP"),
    Row(F::k3g2, "3G2 - Mobile Video Format (*.3g2)", "3G2"),
    Row(F::kIPod, "iPod (*.mp4)", "MP4"),
    Row(F::kIPodExtra, "iPod Extra (640 x 480) (*.mp4)", "MP4"),
    Row(F::kIPodVideoForTv, "iPod Video For TV (*.mp4)", "MP4"),
    Row(F::kAppleTv, "Apple TV (*.mp4)", "MP4"),
    Row(F::kAppleTvH264_320x240, "Apple TV H264 (320 x 240) (*.mp4)", "MP4"),
    Row(F::kAppleTvH264_640x480, "Apple TV H264 (640 x 480) (*.mp4)", "MP4"),
    Row(F::kAppleTvH264_1280x720, "Apple TV H264 (1280 x 720) (*.mp4)", "MP4"),
    Row(F::kIPodTouch, "iPod Touch (*.mp4)", "MP4"),
    Row(F::kIPodTouchExtra, "iPod Touch Extra (640 x 480) (*.mp4)", "MP4"),
    Row(F::kIPodTouchWideScreen, "iPod Touch Wide Screen (*.mp4)", "MP4"),
    Row(F::kIPhone, "iPhone (*.mp4)", "MP4"),
    Row(F::kIPhoneExtra, "iPhone Extra (640 x 480) (*.mp4)", "MP4"),
    Row(F::kIPhoneWideScreen, "iPhone Wide Screen (*.mp4)", "MP4"),
    Row(F::kAvi, "AVI - Audio Video Interleave (*.avi)", "AVI"),
    Row(F::kAviDivx, "AVI - DivX Video (*.avi)", "AVI"),
    Row(F::kAviXvid, "AVI - XviD Video (*.avi)", "AVI"),
    Row(F::kAviUncompress, "AVI - Uncompress (*.avi)", "AVI"),
    Row(F::kMov, "MOV - QuickTime Video (*.mov)", "MOV"),
    Row(F::kMp4, "MP4 - MPEG4 Video (*.mp4)", "MP4"),
    Row(F::kMpeg1, "MPEG-1 Movie (*.mpg)", "MPG"),
    Row(F::kMpeg2, "MPEG-2 Movie (*.mpg)", "MPG"),
    Row(F::kRm, "RM - Real Video (*.rm)", "RM"),
    Row(F::kWmv, "WMV - Windows Media Video (*.wmv)", "WMV"),
    Row(F::kSwf, "SWF - Flash Swf (*.swf)", "SWF"),
    Row(F::kFlv, "FLV - Flash Video (*.flv)", "FLV"),
    Row(F::kVideoCd, "Video CD (*.mpg)", "MPG"),
    Row(F::kSuperVideoCd, "Super Video CD (*.mpg)", "MPG"),
    Row(F::kDvd, "DVD - VOB (*.vob)", "VOB"),
    Row(F::kAac, "AAC - Advance Audio Coding (*.aac)", "AAC"),
    Row(F::kAsf, "ASF - Advance Streaming Format (*.asf)", "ASF"),
    Row(F::kAu, "AU - SUN Audio (*.au)", "AU"),
    Row(F::kM4a, "M4A - Mpeg4 Audio File (*.m4a)", "M4A"),
    Row(F::kMp3, "MP3 - Mpeg Layer3 Audio (*.mp3)", "MP3"),
    Row(F::kOgg, "OGG - Ogg Vorbis Audio (*.ogg)", "OGG"),
    Row(F::kRa, "RA - Real Audio (*.ra)", "RA"),
    Row(F::kWav, "WAV - Waveform Audio (*.wav)", "WAV"),
    Row(F::kWma, "WMA - Windows Media Audio (*.wma)", "WMA"),
    Row(F::kMp2, "MP2 - Mpeg Layer2 Audio (*.mp2)", "MP2"),
    Row(F::kZuneMpeg4, "Zune Mpeg4 Video (*.mp4)", "MP4"),
    Row(F::kZuneWmv, "Zune WMV Windows Media Video (*.wmv)", "WMV"),
    Row(F::kPsp, "PSP Video (*.mp4)", "MP4"),
    Row(F::kPs3, "PS3 Video (*.mp4)", "MP4"),
    Row(F::kPs3_480p, "PS3 Video(480P) (*.mp4)", "MP4"),
    Row(F::kPs3_720p, "PS3 Video(720P) (*.mp4)", "MP4"),
    Row(F::kPs3_1080p, "PS3 Video(1080P) (*.mp4)", "MP4"),
    Row(F::kArchosAv500, "Archos AV500/GMini402 (*.avi)", "AVI"),
    Row(F::kArchosAv700, "Archos AV700 (*.avi)", "AVI"),
    Row(F::kCreativeZenVision, "Creative Zen Vision (*.avi)", "AVI"),
    Row(F::kIRiverPmp100, "iRiver PMP100 (*.avi)", "AVI"),
    Row(F::kBlackBerryMpeg4, "BlackBerry MPEG-4 Video (*.mp4)", "MP4"),
    Row(F::kBlackBerryAvi, "BlackBerry AVI Video (*.avi)", "AVI"),
    Row(F::kBlackBerry3gp, "BlackBerry 3GP Video (*.3gp)", "3GP"),
};

constexpr bool TypeNoIsIndex() {
  for (size_t i = 0; i < kCatalogue.size(); ++i) {
    if (kCatalogue[i].TypeNo != static_cast<int>(i)) return false;
  }
  return true;
}
static_assert(TypeNoIsIndex(), "the catalogue must be listed in FormatType order");
static_assert(SeparatorLine.size() == 55);

constexpr std::array<std::string_view, kOutputFormatLineCount> kLines = {
    "3GP - Mobile Video Format (*.3gp)",
    "3G2 - Mobile Video Format (*.3g2)",
    "ASF - Advance Streaming Format (*.asf)",
    "AVI - Audio Video Interleave (*.avi)",
    "AVI - DivX Video (*.avi)",
    "AVI - Uncompress (*.avi)",
    "AVI - XviD Video (*.avi)",
    "DVD - VOB (*.vob)",
    "FLV - Flash Video (*.flv)",
    "MOV - QuickTime Video (*.mov)",
    "MP4 - MPEG4 Video (*.mp4)",
    "MPEG-1 Movie (*.mpg)",
    "MPEG-2 Movie (*.mpg)",
    "RM - Real Video (*.rm)",
    "SWF - Flash Swf (*.swf)",
    "Super Video CD (*.mpg)",
    "Video CD (*.mpg)",
    "WMV - Windows Media Video (*.wmv)",
    SeparatorLine,
    "AAC - Advance Audio Coding (*.aac)",
    "AU - SUN Audio (*.au)",
    "M4A - Mpeg4 Audio File (*.m4a)",
    "MP2 - Mpeg Layer2 Audio (*.mp2)",
    "MP3 - Mpeg Layer3 Audio (*.mp3)",
    "OGG - Ogg Vorbis Audio (*.ogg)",
    "RA - Real Audio (*.ra)",
    "WAV - Waveform Audio (*.wav)",
    "WMA - Windows Media Audio (*.wma)",
    SeparatorLine,
    "iPod (*.mp4)",
    "iPod Extra (640 x 480) (*.mp4)",
    "iPod Video For TV (*.mp4)",
    SeparatorLine,
    "Apple TV (*.mp4)",
    "Apple TV H264 (320 x 240) (*.mp4)",
    "Apple TV H264 (640 x 480) (*.mp4)",
    "Apple TV H264 (1280 x 720) (*.mp4)",
    SeparatorLine,
    "iPod Touch (*.mp4)",
    "iPod Touch Extra (640 x 480) (*.mp4)",
    "iPod Touch Wide Screen (*.mp4)",
    SeparatorLine,
    "iPhone (*.mp4)",
    "iPhone Extra (640 x 480) (*.mp4)",
    "iPhone Wide Screen (*.mp4)",
    SeparatorLine,
    "Zune Mpeg4 Video (*.mp4)",
    "Zune WMV Windows Media Video (*.wmv)",
    SeparatorLine,
    "PSP Video (*.mp4)",
    "PS3 Video (*.mp4)",
    "PS3 Video(480P) (*.mp4)",
    "PS3 Video(720P) (*.mp4)",
    "PS3 Video(1080P) (*.mp4)",
    SeparatorLine,
    "Archos AV500/GMini402 (*.avi)",
    "Archos AV700 (*.avi)",
    "BlackBerry MPEG-4 Video (*.mp4)",
    "BlackBerry AVI Video (*.avi)",
    "BlackBerry 3GP Video (*.3gp)",
    "Creative Zen Vision (*.avi)",
    "iRiver PMP100 (*.avi)",
};

}  // namespace

const std::array<TheAVCodec, kFormatCount>& FormatCatalogue() {
  return kCatalogue;
}

const std::array<std::string_view, kOutputFormatLineCount>& OutputFormatLines() {
  return kLines;
}

bool IsSeparatorLine(std::string_view text) {
  return text.find("              ----") != std::string_view::npos;
}

const TheAVCodec* FindFormat(std::string_view text) {
  for (const TheAVCodec& row : kCatalogue) {
    if (row.DisplayName == text) return &row;
  }
  return nullptr;
}

}  // namespace quorbel::app
