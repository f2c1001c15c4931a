#include "options/record_options.h"

#include <algorithm>

#include "base/text.h"
#include "options/generic_options.h"
#include "options/handlers.h"
#include "options/option_parser.h"
#include "options/target_preset.h"

namespace quorbel {

namespace {

// A TColor may carry flag bits above the 24 colour bits; only the colour counts.
constexpr uint32_t kRgbMask = 0xFFFFFF;

std::string Str(int32_t value) {
  return std::to_string(value);
}

// A bound of a hook range in us; -1 ms when it is not a number (or too large to count in us).
int64_t HookRangeBoundUs(const std::string& text) {
  int64_t milliseconds = 0;
  int64_t microseconds = 0;
  if (!TryStrToInt64(Trim(text), milliseconds) || __builtin_mul_overflow(milliseconds, 1000, &microseconds)) {
    return -1000;
  }
  return microseconds;
}

void ApplyTarget(TCustomFFmpeg& job, const TOutputOptions& o) {
  const char* type = o.Target == 1 ? "vcd" : o.Target == 2 ? "svcd" : o.Target == 3 ? "dvd" : nullptr;
  if (type == nullptr) return;
  const char* norm = o.TargetNorm == 1 ? "pal" : o.TargetNorm == 2 ? "ntsc" : "auto";
  ApplyTargetPreset(job, type, norm, o.TargetNormDefault == 1 ? "pal" : "ntsc");
}

}  // namespace

void ApplyInputOptions(TCustomFFmpeg& job, const TInputOptions& options) {
  ParseOptionText(job, options.ExtOptions);
  SetInputFormat(job, options.ForceFormat);
  if (options.StartTime > 0) job.settings.startTimeUs = int64_t{options.StartTime} * 1000;
  if (options.ProgramID >= 0) job.settings.programId = options.ProgramID;
}

void ApplyOutputOptions(TCustomFFmpeg& job, const TOutputOptions& o) {
  OptionState& s = job.settings;
  ParseOptionText(job, o.ExtOptions);
  SetOutputFormat(job, o.ForceFormat);
  if (o.PacketSize > 0) SetGenericOption(job, "packetsize", Str(o.PacketSize));
  if (o.MuxRate > 0) SetGenericOption(job, "muxrate", Str(o.MuxRate));
  if (o.MuxDelay > 0) s.muxMaxDelay = o.MuxDelay;
  if (o.MuxPreload > 0) s.muxPreload = o.MuxPreload;

  if (!o.AudioCodec.empty()) SetCodecName(job, AVMEDIA_TYPE_AUDIO, o.AudioCodec);
  if (o.DisableAudio) s.audioDisable = true;
  if (o.AudioVolume >= 0) s.audioVolume = o.AudioVolume;
  if (o.AudioChannels > 0) s.audioChannels = o.AudioChannels;
  if (o.AudioSampleRate > 0) s.audioSampleRate = o.AudioSampleRate;
  if (o.AudioBitrate > 0) SetGenericOption(job, "ab", Str(o.AudioBitrate));
  if (o.AudioBitrateTolerance > 0) SetGenericOption(job, "abt", Str(o.AudioBitrateTolerance));
  s.audioLanguage = o.AudioLanguage;
  s.audioSyncMethod = o.AudioSyncMethod;
  if (!o.AudioTag.empty()) SetCodecTag(job, AVMEDIA_TYPE_AUDIO, o.AudioTag);

  if (!o.VideoCodec.empty()) SetCodecName(job, AVMEDIA_TYPE_VIDEO, o.VideoCodec);
  if (o.DisableVideo) s.videoDisable = true;
  if (!o.FrameRate.empty()) SetFrameRate(job, o.FrameRate);
  if (!o.FrameSize.empty()) SetFrameSize(job, o.FrameSize);
  if (!o.FrameAspectRatio.empty()) SetAspectRatio(job, o.FrameAspectRatio);
  SetCrop(job, Band::kTop, o.CropTop);
  SetCrop(job, Band::kBottom, o.CropBottom);
  SetCrop(job, Band::kLeft, o.CropLeft);
  SetCrop(job, Band::kRight, o.CropRight);
  SetPad(job, Band::kTop, o.PadTop);
  SetPad(job, Band::kBottom, o.PadBottom);
  SetPad(job, Band::kLeft, o.PadLeft);
  SetPad(job, Band::kRight, o.PadRight);
  SetPadColor(job, static_cast<int32_t>(o.PadColor & kRgbMask));
  if (o.GOPSize > 0) SetGenericOption(job, "gop", Str(o.GOPSize));
  if (o.VideoBitrate > 0) SetGenericOption(job, "vb", Str(o.VideoBitrate));
  if (o.VideoMaxRate > 0) SetGenericOption(job, "maxrate", Str(o.VideoMaxRate));
  if (o.VideoMinRate > 0) SetGenericOption(job, "minrate", Str(o.VideoMinRate));
  if (o.VideoBitrateTolerance > 0) SetGenericOption(job, "bt", Str(o.VideoBitrateTolerance));
  if (o.VideoBufSize > 0) SetGenericOption(job, "bufsize", Str(o.VideoBufSize));
  s.videoSyncMethod = o.VideoSyncMethod;
  if (!o.VideoTag.empty()) SetCodecTag(job, AVMEDIA_TYPE_VIDEO, o.VideoTag);

  if (o.DisableSubtitle) s.subtitleDisable = true;
  s.subtitleLanguage = o.SubtitleLanguage;
  s.copyTimestamps = o.CopyTimestamps;
  SetRecordingTimeMs(job, o.RecordingTime);
  if (o.Timestamp >= 0) SetRecordTimestampFromDateTime(job, o.Timestamp);

  if (o.Year > 0) s.year = o.Year;
  if (o.Track > 0) s.track = o.Track;
  if (!o.Title.Empty()) s.title = o.Title.Str();
  if (!o.Author.Empty()) s.author = o.Author.Str();
  if (!o.Rights.Empty()) s.copyright = o.Rights.Str();
  if (!o.Comment.Empty()) s.comment = o.Comment.Str();
  if (!o.Album.Empty()) s.album = o.Album.Str();
  if (!o.Genre.Empty()) s.genre = o.Genre.Str();

  ApplyTarget(job, o);
  if (!o.CustomHook && !o.BeforeHook) {
    job.hooks.HookRanges = ParseHookRanges(o.HookRangeText);
    job.hooks.HookRangeIndex = 0;
  }
}

std::vector<THookRange> ParseHookRanges(const std::string& text) {
  std::vector<THookRange> ranges;
  const std::string trimmed = Trim(text);
  size_t start = 0;
  while (true) {
    const size_t comma = trimmed.find(',', start);
    const std::string item =
        Trim(trimmed.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    const size_t dash = item.find('-');
    const std::string before = dash == std::string::npos ? item : item.substr(0, dash);
    const std::string after = dash == std::string::npos ? std::string() : item.substr(dash + 1);
    const THookRange range{HookRangeBoundUs(before), HookRangeBoundUs(after)};
    if (range.startUs <= range.endUs && range.endUs >= 0) ranges.push_back(range);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  std::sort(ranges.begin(), ranges.end(),
            [](const THookRange& a, const THookRange& b) { return a.endUs < b.endUs; });
  return ranges;
}

}  // namespace quorbel
