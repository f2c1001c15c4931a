// The output formats the converter offers: one TheAVCodec row per format, in the catalogue's own
// order, and the 62 lines of the output format list with their separators, in display order.
#pragma once

#include <array>
#include <string_view>

namespace quorbel::app {

// The rows of the catalogue; a row's TypeNo is its value here. The order groups the 3GPP
// formats, the iPod, Apple TV, iPod Touch and iPhone presets, the containers, the audio formats
// and the remaining device presets.
enum class FormatType : int {
  k3gp,
  k3g2,
  kIPod,
  kIPodExtra,
  kIPodVideoForTv,
  kAppleTv,
  kAppleTvH264_320x240,
  kAppleTvH264_640x480,
  kAppleTvH264_1280x720,
  kIPodTouch,
  kIPodTouchExtra,
  kIPodTouchWideScreen,
  kIPhone,
  kIPhoneExtra,
  kIPhoneWideScreen,
  kAvi,
  kAviDivx,
  kAviXvid,
  kAviUncompress,
  kMov,
  kMp4,
  kMpeg1,
  kMpeg2,
  kRm,
  kWmv,
  kSwf,
  kFlv,
  kVideoCd,
  kSuperVideoCd,
  kDvd,
  kAac,
  kAsf,
  kAu,
  kM4a,
  kMp3,
  kOgg,
  kRa,
  kWav,
  kWma,
  kMp2,
  kZuneMpeg4,
  kZuneWmv,
  kPsp,
  kPs3,
  kPs3_480p,
  kPs3_720p,
  kPs3_1080p,
  kArchosAv500,
  kArchosAv700,
  kCreativeZenVision,
  kIRiverPmp100,
  kBlackBerryMpeg4,
  kBlackBerryAvi,
  kBlackBerry3gp,
};

struct TheAVCodec {
  std::string_view DisplayName;  // the exact line of the output format list
  std::string_view FileTag;      // upper-case file-type tag; lower-cased, the output extension
  int TypeNo;                    // selects the profile filler and the option mapping
};

inline constexpr size_t kFormatCount = 54;
inline constexpr size_t kOutputFormatLineCount = 62;

// 14 blanks and 41 dashes: the line between groups of the output format list.
inline constexpr std::string_view SeparatorLine = "              -----------------------------------------";

// The catalogue, indexed by TypeNo.
const std::array<TheAVCodec, kFormatCount>& FormatCatalogue();

// The lines of the output format list in display order, separators included.
const std::array<std::string_view, kOutputFormatLineCount>& OutputFormatLines();

// A line is a separator when it holds 14 blanks followed by "----".
bool IsSeparatorLine(std::string_view text);

// The row whose DisplayName equals text exactly; nullptr when there is none.
const TheAVCodec* FindFormat(std::string_view text);

}  // namespace quorbel::app
