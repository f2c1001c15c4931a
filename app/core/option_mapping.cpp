#include "core/option_mapping.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

#include "base/text.h"
#include "core/ascii.h"
#include "core/format_catalogue.h"
#include "core/main_settings.h"

namespace quorbel::app {

namespace {

using Names = std::pair<std::string_view, std::string_view>;

template <size_t N>
std::string MapName(std::string_view text, const std::array<Names, N>& table) {
  std::string lower = AsciiLower(text);
  for (const auto& [from, to] : table) {
    if (lower == from) return std::string(to);
  }
  return lower;
}

// The text up to its first blank; empty when it has none.
std::string FirstWord(std::string_view text) {
  const size_t blank = text.find(' ');
  return blank == std::string_view::npos ? std::string() : std::string(text.substr(0, blank));
}

// "1200 Kbps" gives 1200000; an empty text gives 0.
int32_t KbpsText(std::string_view text) {
  return StrToInt(FirstWord(text) + "000");
}

// The job's frame size for a size text. Neither "Original Video Size" nor "Auto" names a size:
// both keep the source's (Auto would otherwise reach the engine as a size it rejects).
std::string JobFrameSize(std::string_view text) {
  if (text == "Original Video Size" || text == "Auto") return std::string();
  return FrameSizeArgument(text);
}

// The three numbers every mapping reads, converted before any field is written.
struct Rates {
  int32_t VideoBitrate;
  int32_t AudioBitrate;
  int32_t AudioSampleRate;
};

Rates ReadRates(const SettingControls& controls, bool audioInKbps) {
  const std::string audio = FirstWord(controls.ComboAudioBitrate.Text());
  return Rates{KbpsText(controls.ComboVideoBitrate.Text()), StrToInt(audioInKbps ? audio + "000" : audio),
               StrToInt(FirstWord(controls.ComboSamplingRate.Text()))};
}

void WriteRates(const Rates& rates, TOutputOptions& options) {
  options.VideoBitrate = rates.VideoBitrate;
  options.AudioBitrate = rates.AudioBitrate;
  options.AudioSampleRate = rates.AudioSampleRate;
}

bool IsAudioTag(std::string_view tag) {
  static constexpr std::array<std::string_view, 11> kAudioTags = {"aac", "ac3", "au",  "mp2", "mp3", "wav",
                                                                  "wma", "ra",  "m4a", "asf", "amr"};
  const std::string lower = AsciiLower(tag);
  return std::find(kAudioTags.begin(), kAudioTags.end(), lower) != kAudioTags.end();
}

}  // namespace

OptionMapping MappingForFormat(int typeNo) {
  using F = FormatType;
  switch (static_cast<F>(typeNo)) {
    case F::k3gp:
    case F::k3g2:
      return OptionMapping::kAmr;
    case F::kIPod:
    case F::kIPodExtra:
    case F::kIPodVideoForTv:
    case F::kAppleTv:
    case F::kAppleTvH264_320x240:
    case F::kAppleTvH264_640x480:
    case F::kAppleTvH264_1280x720:
    case F::kIPodTouch:
    case F::kIPodTouchExtra:
    case F::kIPodTouchWideScreen:
      return OptionMapping::kAacDevice;
    default:
      break;
  }
  return typeNo >= 0 && typeNo < static_cast<int>(kFormatCount) ? OptionMapping::kGeneral
                                                                : OptionMapping::kNone;
}

std::string FrameSizeArgument(std::string_view text) {
  const std::string_view size = text.substr(0, text.find('('));
  if (size == "Original Video Size") return "original";
  std::string result;
  std::copy_if(size.begin(), size.end(), std::back_inserter(result), [](char c) { return c != ' '; });
  return result;
}

std::string GeneralVideoCodecName(std::string_view text) {
  static constexpr std::array<Names, 4> kTable = {
      {{"h264", "libx264"}, {"xvid", "libxvid"}, {"wmv2x", "wmv2"}, {"mpeg4_qt", "mpeg4"}}};
  return MapName(text, kTable);
}

std::string DeviceVideoCodecName(std::string_view text) {
  static constexpr std::array<Names, 2> kTable = {{{"h264", "libx264"}, {"xvid", "libxvid"}}};
  return MapName(text, kTable);
}

std::string GeneralAudioCodecName(std::string_view text) {
  static constexpr std::array<Names, 12> kTable = {{{"aac", "libfaac"},
                                                    {"ac3", "ac3"},
                                                    {"flac", "flac"},
                                                    {"asf", "mp3"},
                                                    {"mp3", "libmp3lame"},
                                                    {"m4a", "mpeg4aac"},
                                                    {"mpeg4aac", "libfaac"},
                                                    {"ra", "ac3"},
                                                    {"wma7x", "wmav2"},
                                                    {"wav", "pcm_s16le"},
                                                    {"mpeg4aac_qt", "libfaac"},
                                                    {"amr_nb", "libamr_nb"}}};
  return MapName(text, kTable);
}

void GeneralMapping(const SettingControls& controls, const std::string& outputTag, TOutputOptions& options) {
  const std::string audioText = controls.ComboAudioBitrate.Text();
  const bool audioInKbps = audioText.find("Kbps") != std::string::npos;
  const Rates rates = ReadRates(controls, audioInKbps);

  options.VideoCodec = GeneralVideoCodecName(controls.ComboVideoCodec.Text());
  options.AudioCodec = GeneralAudioCodecName(controls.ComboAudioCodec.Text());
  options.FrameSize = JobFrameSize(controls.ComboVideoSize.Text());
  const std::string aspect = controls.ComboAspectRatio.Text();
  if (aspect != "Original") options.FrameAspectRatio = aspect;
  options.AudioChannels = controls.ComboAudioChannels.Text() == "Stereo" ? 2 : 1;
  if (outputTag == "3GP" || outputTag == "3G2") options.AudioChannels = 1;
  options.DisableVideo = IsAudioTag(outputTag);
  WriteRates(rates, options);
}

void AmrMapping(const SettingControls& controls, TOutputOptions& options) {
  const Rates rates = ReadRates(controls, false);
  options.VideoCodec = DeviceVideoCodecName(controls.ComboVideoCodec.Text());
  options.AudioCodec = "libamr_nb";
  options.FrameSize = JobFrameSize(controls.ComboVideoSize.Text());
  WriteRates(rates, options);
  options.AudioChannels = 1;
}

void AacDeviceMapping(const SettingControls& controls, TOutputOptions& options) {
  const Rates rates = ReadRates(controls, true);
  options.VideoCodec = DeviceVideoCodecName(controls.ComboVideoCodec.Text());
  options.AudioCodec = "libfaac";
  options.FrameSize = JobFrameSize(controls.ComboVideoSize.Text());
  WriteRates(rates, options);
}

void ApplyProfileOptions(const MainSettings& main, TOutputOptions& options) {
  const TheAVCodec* format = main.AppliedFormat();
  switch (format == nullptr ? OptionMapping::kNone : MappingForFormat(format->TypeNo)) {
    case OptionMapping::kGeneral:
      return GeneralMapping(main.Controls, main.OutputTag(), options);
    case OptionMapping::kAmr:
      return AmrMapping(main.Controls, options);
    case OptionMapping::kAacDevice:
      return AacDeviceMapping(main.Controls, options);
    case OptionMapping::kNone:
      return;
  }
}

}  // namespace quorbel::app
