#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>
#include <mutex>

#include "base/text.h"
#include "binding/error_text.h"
#include "job/codec_lock.h"
#include "options/codec_lookup.h"
#include "options/generic_options.h"
#include "options/handlers.h"
#include "quorbel/exceptions.h"
#include "setup/file_setup.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace quorbel {

namespace {

// Settings that concern one input file only.
void ClearInputFileSettings(OptionState& s) {
  s.forcedInputFormat = nullptr;
  s.forcedOutputFormat = nullptr;
  s.videoChannel = 0;
  s.rateEmulation = false;
  s.videoCodecName.clear();
  s.audioCodecName.clear();
  s.subtitleCodecName.clear();
}

// Parameters for demuxers that cannot find them in the data (raw audio and video, capture
// devices, image sequences); demuxers that do not take one leave it unused.
DictionaryPtr DemuxerParameters(const OptionState& s) {
  AVDictionary* parameters = nullptr;
  av_dict_set_int(&parameters, "sample_rate", s.audioSampleRate, 0);
  av_dict_set_int(&parameters, "channels", s.audioChannels, 0);
  if (s.frameRate.num > 0 && s.frameRate.den > 0) {
    av_dict_set(&parameters, "framerate", StrPrintf("%d/%d", s.frameRate.num, s.frameRate.den).c_str(), 0);
  }
  const int width = s.frameWidth + s.padLeft + s.padRight;
  const int height = s.frameHeight + s.padTop + s.padBottom;
  if (width > 0 && height > 0)
    av_dict_set(&parameters, "video_size", StrPrintf("%dx%d", width, height).c_str(), 0);
  const char* pixelFormat = av_get_pix_fmt_name(static_cast<AVPixelFormat>(s.framePixelFormat));
  if (pixelFormat != nullptr) av_dict_set(&parameters, "pixel_format", pixelFormat, 0);
  if (s.videoChannel != 0) av_dict_set_int(&parameters, "channel", s.videoChannel, 0);
  if (!s.videoStandard.empty()) av_dict_set(&parameters, "standard", s.videoStandard.c_str(), 0);
  // Looping an input is the image-sequence demuxer's own option now.
  if (s.loopInput) av_dict_set_int(&parameters, "loop", 1, 0);
  return DictionaryPtr(parameters);
}

bool IsRealMediaVariableBitRate(const std::string& fileName) {
  std::string extension = std::filesystem::path(fileName).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension.starts_with(".rmvb");
}

struct ForcedDecoders {
  CodecChoice video, audio, subtitle;
};

const AVCodec* DecoderFor(const ForcedDecoders& forced, const AVCodecParameters* parameters) {
  switch (parameters->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
      if (forced.video.codec != nullptr) return forced.video.codec;
      break;
    case AVMEDIA_TYPE_AUDIO:
      if (forced.audio.codec != nullptr) return forced.audio.codec;
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      if (forced.subtitle.codec != nullptr) return forced.subtitle.codec;
      break;
    default:
      break;
  }
  return avcodec_find_decoder(parameters->codec_id);
}

CodecContextPtr NewDecoderContext(const AVCodec* decoder, const AVStream* stream, int threadCount) {
  CodecContextPtr context(avcodec_alloc_context3(decoder));
  if (!context || avcodec_parameters_to_context(context.get(), stream->codecpar) < 0) throw std::bad_alloc();
  context->pkt_timebase = stream->time_base;
  context->thread_count = threadCount;
  return context;
}

void SetUpVideoStream(TCustomFFmpeg& job, const std::string& fileName, AVStream* stream, InputStream& input) {
  OptionState& s = job.settings;
  AVCodecContext* decoder = input.decoder.get();
  ApplyRecordedOptions(job, decoder, s.codecTemplates[AVMEDIA_TYPE_VIDEO].get(), kVideoMask | kDecodingMask);
  s.frameHeight = decoder->height;
  s.frameWidth = decoder->width;
  // A stream without a picture size says nothing about the aspect ratio.
  if (decoder->width > 0 && decoder->height > 0) {
    s.frameAspectRatio =
        static_cast<float>(decoder->width * av_q2d(decoder->sample_aspect_ratio) / decoder->height);
    if (s.frameAspectRatio == 0.0f) SetAspectRatio(job, StrPrintf("%d:%d", decoder->width, decoder->height));
  }
  if (decoder->pix_fmt == AV_PIX_FMT_NONE && IsRealMediaVariableBitRate(fileName)) {
    decoder->pix_fmt = AV_PIX_FMT_YUV420P;
  }
  s.framePixelFormat = decoder->pix_fmt;
  // The emulated-edge flag for low resolution and the motion-vector debug flag for
  // "me_threshold" have no counterpart in the current decoders: edges are always emulated.
  s.frameRate = stream->r_frame_rate;
  input.rateEmulation = s.rateEmulation;
  if (s.videoDisable) {
    stream->discard = AVDISCARD_ALL;
  } else if (s.videoDiscard != 0) {
    stream->discard = static_cast<AVDiscard>(s.videoDiscard);
  }
}

void SetUpStreams(TCustomFFmpeg& job, const std::string& fileName, const ForcedDecoders& forced,
                  InputFile& file) {
  OptionState& s = job.settings;
  AVFormatContext* context = file.context.get();
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    AVStream* stream = context->streams[i];
    InputStream input;
    input.stream = stream;
    input.decoder = NewDecoderContext(DecoderFor(forced, stream->codecpar), stream, s.threadCount);
    AVCodecContext* decoder = input.decoder.get();
    switch (stream->codecpar->codec_type) {
      case AVMEDIA_TYPE_AUDIO:
        ApplyRecordedOptions(job, decoder, s.codecTemplates[AVMEDIA_TYPE_AUDIO].get(),
                             kAudioMask | kDecodingMask);
        s.audioChannels = decoder->ch_layout.nb_channels;
        s.audioSampleRate = decoder->sample_rate;
        if (s.audioDisable) stream->discard = AVDISCARD_ALL;
        break;
      case AVMEDIA_TYPE_VIDEO:
        SetUpVideoStream(job, fileName, stream, input);
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        if (s.subtitleDisable) stream->discard = AVDISCARD_ALL;
        break;
      case AVMEDIA_TYPE_UNKNOWN:
      case AVMEDIA_TYPE_DATA:
      case AVMEDIA_TYPE_ATTACHMENT:
        break;
      default:
        throw FFMpegException("invalid codec_type");
    }
    file.streams.push_back(std::move(input));
  }
}

bool OpenInputFile(TCustomFFmpeg& job, const std::string& fileName) {
  OptionState& s = job.settings;
  if (job.inputFiles.size() >= static_cast<size_t>(kMaxFiles)) {
    job.LastErrorText = StrPrintf("Too many input files (at most %d)", kMaxFiles);
    return false;
  }
  // An image sequence used to be forced to the old image codec here; the image2 demuxer now
  // finds the codec of the pictures itself.
  FormatContextPtr prepared(avformat_alloc_context());
  if (!prepared) throw std::bad_alloc();
  DictionaryPtr parameters = DemuxerParameters(s);
  ApplyRecordedOptions(job, prepared.get(), s.formatTemplate.get(), kDecodingMask);

  ForcedDecoders forced;
  if (!LookupCodec(job, s.videoCodecName, AVMEDIA_TYPE_VIDEO, false, forced.video) ||
      !LookupCodec(job, s.audioCodecName, AVMEDIA_TYPE_AUDIO, false, forced.audio) ||
      !LookupCodec(job, s.subtitleCodecName, AVMEDIA_TYPE_SUBTITLE, false, forced.subtitle)) {
    return false;
  }
  prepared->video_codec_id = forced.video.id;
  prepared->audio_codec_id = forced.audio.id;
  prepared->subtitle_codec_id = forced.subtitle.id;

  // avformat_open_input frees the context itself when it fails.
  AVFormatContext* opening = prepared.release();
  AVDictionary* parameterList = parameters.release();
  const int opened = avformat_open_input(&opening, fileName.c_str(), s.forcedInputFormat, &parameterList);
  parameters.reset(parameterList);
  if (opened < 0) {
    job.LastErrorText = LibraryErrorText(fileName, opened);
    return false;
  }
  InputFile file;
  file.fileName = fileName;
  file.context.reset(opening);
  AVFormatContext* context = opening;

  if (s.programId != 0) {
    for (unsigned i = 0; i < context->nb_programs; ++i) {
      if (context->programs[i]->id != s.programId) context->programs[i]->discard = AVDISCARD_ALL;
    }
  }
  int found = 0;
  {
    const std::lock_guard<std::mutex> guard(CodecLock());
    found = avformat_find_stream_info(context, nullptr);
  }
  if (found < 0 && job.Verbosity() >= 0) {
    job.LastErrorText = StrPrintf("%s: could not find codec parameters", fileName.c_str());
    return false;
  }

  int64_t startUs = s.startTimeUs;
  if (context->start_time != AV_NOPTS_VALUE) startUs += context->start_time;
  if (s.startTimeUs != 0) {
    av_seek_frame(context, -1, startUs, AVSEEK_FLAG_BACKWARD);
    s.startTimeUs = 0;
  }

  SetUpStreams(job, fileName, forced, file);

  if (context->duration != AV_NOPTS_VALUE) {
    const int64_t durationMs =
        std::min<int64_t>(context->duration / 1000, std::numeric_limits<int32_t>::max());
    if (durationMs > job.TotalOutputDuration) job.TotalOutputDuration = static_cast<int32_t>(durationMs);
  }
  file.timestampOffsetUs = s.copyTimestamps ? s.inputTsOffsetUs : s.inputTsOffsetUs - startUs;
  const int index = static_cast<int>(job.inputFiles.size());
  job.inputFiles.push_back(std::move(file));
  if (job.Verbosity() >= 0) av_dump_format(context, index, fileName.c_str(), 0);
  return true;
}

}  // namespace

bool OpenInput(TCustomFFmpeg& job, const std::string& fileName) {
  bool opened = false;
  try {
    opened = OpenInputFile(job, fileName);
  } catch (const std::exception& error) {
    // The aspect fallback and the stream-kind check reject through exceptions; opening an
    // input reports every failure through LastErrorText.
    job.LastErrorText = error.what();
  }
  ClearInputFileSettings(job.settings);
  return opened;
}

}  // namespace quorbel
