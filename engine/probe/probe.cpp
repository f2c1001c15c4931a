#include "quorbel/probe.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "base/av_ptr.h"
#include "base/text.h"
#include "binding/error_text.h"
#include "binding/log_level.h"
#include "binding/open_input.h"
#include "quorbel/library_binding.h"

extern "C" {
#include <libavutil/parseutils.h>
}

namespace quorbel {

namespace {

constexpr int kLevelError = 0;
constexpr int kLevelInfo = 1;

void Log(int engineLevel, const char* text) {
  av_log(nullptr, binding::ToAvLogLevel(engineLevel), "%s", text);
}

const char* MetadataText(const AVDictionary* metadata, const char* key) {
  const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
  return entry != nullptr ? entry->value : nullptr;
}

std::string MetadataString(const AVDictionary* metadata, const char* key) {
  const char* text = MetadataText(metadata, key);
  return text != nullptr ? text : "";
}

// The number a text starts with ("2008-05-01" -> 2008, "3/12" -> 3); 0 when it starts with none.
int32_t LeadingNumber(const char* text) {
  if (text == nullptr) return 0;
  const char* end = text;
  while (*end != '\0') ++end;
  int32_t value = 0;
  const auto [rest, error] = std::from_chars(text, end, value);
  return error == std::errc() && rest != text ? value : 0;
}

int32_t ClampToInt32(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// Division with IEEE results for a zero divisor, which the aspect of an unset sample aspect needs.
double Divide(double numerator, double denominator) {
  if (denominator != 0) return numerator / denominator;
  if (numerator == 0 || std::isnan(numerator)) return std::numeric_limits<double>::quiet_NaN();
  return std::copysign(std::numeric_limits<double>::infinity(), numerator);
}

}  // namespace

void TAVProbe::FileCloser::operator()(AVFormatContext* context) const {
  avformat_close_input(&context);
}

TAVProbe::TAVProbe() = default;

TAVProbe::~TAVProbe() = default;

bool TAVProbe::LoadFile(const std::string& FileName, const std::string& ForceFormat) {
  binding::CheckLibrariesLoaded();
  Close();

  const AVInputFormat* format = nullptr;
  if (!ForceFormat.empty()) {
    format = av_find_input_format(ForceFormat.c_str());
    if (format == nullptr) {
      lastError_ = StrPrintf("Unknown input format: %s", ForceFormat.c_str());
      return false;
    }
  }

  InputFormatContextPtr opened;
  const int result = OpenInputFile(opened, FileName, format, nullptr);
  if (result < 0) {
    lastError_ = LibraryErrorText(FileName, result);
    return false;
  }
  if (avformat_find_stream_info(opened.get(), nullptr) < 0) {
    lastError_ = StrPrintf("%s: could not find codec parameters", FileName.c_str());
    return false;
  }

  file_.reset(opened.release());
  CountStreams();
  formatName_ = ForceFormat;
  return true;
}

void TAVProbe::Close() {
  file_.reset();
  formatName_.clear();
  streamCount_ = programCount_ = -1;
  audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = -1;
  firstAudioStream_ = firstVideoStream_ = firstSubtitleStream_ = -1;
}

void TAVProbe::CountStreams() {
  streamCount_ = static_cast<int32_t>(file_->nb_streams);
  programCount_ = static_cast<int32_t>(file_->nb_programs);
  audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = 0;
  for (int32_t index = 0; index < streamCount_; ++index) {
    switch (file_->streams[index]->codecpar->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        if (videoStreamCount_++ == 0) firstVideoStream_ = index;
        break;
      case AVMEDIA_TYPE_AUDIO:
        if (audioStreamCount_++ == 0) firstAudioStream_ = index;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        if (subtitleStreamCount_++ == 0) firstSubtitleStream_ = index;
        break;
      default:
        break;
    }
  }
}

std::string TAVProbe::ContainerName() const {
  return file_ ? file_->iformat->name : "";
}

void TAVProbe::GetFileInfo(TAVFileInfo& info) const {
  info.Reset();
  if (!file_) {
    Log(kLevelInfo, "file not loaded.\n");
    return;
  }
  const AVDictionary* metadata = file_->metadata;
  info.StartTime = file_->start_time;
  info.Duration = file_->duration;
  info.BitRate = ClampToInt32(file_->bit_rate);

  info.Timestamp = 0;
  if (const char* created = MetadataText(metadata, "creation_time")) {
    int64_t createdUs = 0;
    if (av_parse_time(&createdUs, created, 0) >= 0) info.Timestamp = createdUs / AV_TIME_BASE;
  }

  info.Title.Assign(MetadataString(metadata, "title"));
  const char* author = MetadataText(metadata, "artist");
  info.Author.Assign(author != nullptr ? author : MetadataString(metadata, "author"));
  info.Rights.Assign(MetadataString(metadata, "copyright"));
  info.Comment.Assign(MetadataString(metadata, "comment"));
  info.Album.Assign(MetadataString(metadata, "album"));
  const char* year = MetadataText(metadata, "date");
  info.Year = LeadingNumber(year != nullptr ? year : MetadataText(metadata, "year"));
  info.Track = LeadingNumber(MetadataText(metadata, "track"));
  info.Genre.Assign(MetadataString(metadata, "genre"));
}

void TAVProbe::GetVideoInfo(TAVVideoInfo& info) const {
  GetVideoStreamInfo(-1, info);
}

void TAVProbe::GetVideoStreamInfo(int32_t StreamIndex, TAVVideoInfo& info) const {
  info.Reset();
  if (!file_) {
    Log(kLevelInfo, "file not loaded.\n");
    return;
  }
  if (StreamIndex < 0) {
    StreamIndex = firstVideoStream_;
    if (StreamIndex < 0) {
      Log(kLevelError, "no video stream.\n");
      return;
    }
  } else if (StreamIndex >= streamCount_) {
    Log(kLevelError, StrPrintf("stream index #%d is invalid.\n", StreamIndex).c_str());
    return;
  }
  const AVStream* stream = file_->streams[StreamIndex];
  const AVCodecParameters* codec = stream->codecpar;
  if (codec->codec_type != AVMEDIA_TYPE_VIDEO) {
    Log(kLevelError, StrPrintf("stream #%d is not video stream.\n", StreamIndex).c_str());
    return;
  }

  info.Language.Assign(MetadataString(stream->metadata, "language"));
  info.CodecName.Assign(avcodec_get_name(codec->codec_id));
  const AVRational microseconds{1, AV_TIME_BASE};
  info.StartTime = stream->start_time;
  if (stream->start_time != AV_NOPTS_VALUE) {
    info.StartTimeUs = av_rescale_q(stream->start_time, stream->time_base, microseconds);
  }
  info.Duration = stream->duration;
  if (stream->duration != AV_NOPTS_VALUE) {
    info.DurationUs = av_rescale_q(stream->duration, stream->time_base, microseconds);
  }
  info.BitRate = ClampToInt32(codec->bit_rate);
  info.Height = codec->height;
  info.Width = codec->width;
  const AVRational aspect = codec->sample_aspect_ratio;
  info.AspectRatio = static_cast<float>(
      Divide(Divide(static_cast<double>(codec->width) * aspect.num, aspect.den), codec->height));
  info.PixelFormat = codec->format;
  // Some demuxers leave the real frame rate unset; their average rate is the best there is.
  AVRational rate = stream->r_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) rate = stream->avg_frame_rate;
  info.FrameRateNum = rate.num;
  info.FrameRateDen = rate.den;
}

}  // namespace quorbel
