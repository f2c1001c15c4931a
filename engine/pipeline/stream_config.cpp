// How each output stream is fed: copied streams take their parameters from the source;
// re-encoded streams get their conversions decided (crop, pad, rescale, audio resampling) and
// their two-pass statistics files.
#include <algorithm>
#include <climits>
#include <new>

#include "base/text.h"
#include "pipeline/run_setup.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quorbel {

namespace {

constexpr size_t kAudioFifoBytes = 1024;
constexpr int kUnchangedVolume = 256;
constexpr size_t kMaxPassLogNameLength = 1023;
constexpr int kLanguageLength = 3;
// Encoded pictures never need more than this many bytes per pixel.
constexpr int64_t kEncodeBytesPerPixel = 4;

void CopyLanguageAndDisposition(const TInputStreamState& ist, TOutputStreamState& ost) {
  const AVDictionaryEntry* own = av_dict_get(ost.Stream->metadata, "language", nullptr, 0);
  const AVDictionaryEntry* source = av_dict_get(ist.Stream->metadata, "language", nullptr, 0);
  if ((own == nullptr || own->value[0] == '\0') && source != nullptr) {
    av_dict_set(&ost.Stream->metadata, "language",
                std::string(source->value).substr(0, kLanguageLength).c_str(), 0);
  }
  ost.Stream->disposition = ist.Stream->disposition;
}

// The source's codec tag, unless the output container knows the codec by a tag of its own and
// the source's tag does not name that codec there (the multiplexer then chooses).
uint32_t CopiedCodecTag(const AVOutputFormat* format, const AVCodecParameters* source) {
  if (source->codec_tag == 0 || format->codec_tag == nullptr) return source->codec_tag;
  if (av_codec_get_id(format->codec_tag, source->codec_tag) == source->codec_id) return source->codec_tag;
  unsigned int ownTag = 0;
  if (av_codec_get_tag2(format->codec_tag, source->codec_id, &ownTag) == 0) return source->codec_tag;
  return 0;
}

// A fine stream time base (below 1 ms) is replaced by a coarser codec time base: containers that
// count in frames (AVI) take it as the frame rate.
AVRational CopyTimeBase(const AVStream* source) {
  const AVRational codec = DecoderTimeBase(source);
  if (codec.num > 0 && av_cmp_q(codec, source->time_base) > 0 &&
      av_cmp_q(source->time_base, AVRational{1, 1000}) < 0) {
    return codec;
  }
  return source->time_base;
}

BsfContextPtr MakeHeaderInserter(const TOutputStreamState& ost) {
  const AVBitStreamFilter* filter = av_bsf_get_by_name("dump_extra");
  AVBSFContext* made = nullptr;
  if (filter != nullptr && av_bsf_alloc(filter, &made) >= 0) {
    BsfContextPtr inserter(made);
    inserter->time_base_in = ost.Stream->time_base;
    if (avcodec_parameters_copy(inserter->par_in, ost.Stream->codecpar) >= 0 &&
        av_bsf_init(inserter.get()) >= 0) {
      return inserter;
    }
  }
  throw FFMpegException(
      StrPrintf("Cannot insert the stream headers of output stream #%d.%d", ost.FileIndex, ost.StreamIndex));
}

void ConfigureCopy(TCustomFFmpeg& job, TOutputStreamState& ost, const TInputStreamState& ist) {
  AVCodecContext* enc = ost.Encoder();
  switch (enc->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      if (job.settings.audioVolume != kUnchangedVolume) {
        throw FFMpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
      }
      break;
    case AVMEDIA_TYPE_VIDEO:
      if (job.CustomHookCallback) {
        throw FFMpegException("-vcodec copy and CustomHook are incompatible (frames are not decoded)");
      }
      if (job.hooks.UsePluginHooks) {
        throw FFMpegException("-vcodec copy and -vhook are incompatible (frames are not decoded)");
      }
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      break;
    default:
      throw FFMpegException("invalid codec_type of output stream");
  }
  AVStream* stream = ost.Stream;
  AVCodecParameters* parameters = stream->codecpar;
  const AVCodecParameters* source = ist.Stream->codecpar;
  const uint32_t chosenTag = enc->codec_tag;  // "vtag" / "atag"
  if (avcodec_parameters_copy(parameters, source) < 0) throw std::bad_alloc();
  parameters->codec_tag =
      chosenTag != 0 ? chosenTag : CopiedCodecTag(OutputContext(job, ost)->oformat, source);
  if (parameters->codec_type == AVMEDIA_TYPE_AUDIO &&
      ((parameters->block_align == 1 && parameters->codec_id == AV_CODEC_ID_MP3) ||
       parameters->codec_id == AV_CODEC_ID_AC3)) {
    parameters->block_align = 0;
  }
  stream->time_base = CopyTimeBase(ist.Stream);
  if (parameters->codec_type == AVMEDIA_TYPE_VIDEO) {
    stream->sample_aspect_ratio = ist.Stream->sample_aspect_ratio.num != 0 ? ist.Stream->sample_aspect_ratio
                                                                           : parameters->sample_aspect_ratio;
    stream->avg_frame_rate = ist.Stream->avg_frame_rate;
  }
  // The encoder context mirrors what the stream carries, so the run reads every output's codec
  // in one place.
  if (avcodec_parameters_to_context(enc, parameters) < 0) throw std::bad_alloc();
  enc->time_base = stream->time_base;
  if ((enc->flags2 & AV_CODEC_FLAG2_LOCAL_HEADER) != 0 && parameters->extradata_size > 0) {
    ost.HeaderInserter = MakeHeaderInserter(ost);
  }
}

FramePtr AllocatePicture(const AVCodecContext* enc) {
  FramePtr picture = MakeFrame();
  if (!picture) return picture;
  picture->format = enc->pix_fmt;
  picture->width = enc->width;
  picture->height = enc->height;
  if (av_frame_get_buffer(picture.get(), 0) < 0) picture.reset();
  return picture;
}

void ConfigureVideoEncoding(TCustomFFmpeg& job, TOutputStreamState& ost, const TInputStreamState& ist) {
  OptionState& s = job.settings;
  const AVCodecContext* enc = ost.Encoder();
  const AVCodecContext* dec = ist.Decoder();
  ost.VideoCrop = s.cropTop != 0 || s.cropBottom != 0 || s.cropLeft != 0 || s.cropRight != 0;
  ost.VideoPad = s.padTop != 0 || s.padBottom != 0 || s.padLeft != 0 || s.padRight != 0;
  const int croppedWidth = dec->width - s.cropLeft - s.cropRight;
  const int croppedHeight = dec->height - s.cropTop - s.cropBottom;
  ost.VideoResample =
      !(enc->width == croppedWidth + s.padLeft + s.padRight &&
        enc->height == croppedHeight + s.padTop + s.padBottom && enc->pix_fmt == dec->pix_fmt);
  if (ost.VideoCrop) {
    ost.CropTopBand = s.cropTop;
    ost.CropLeftBand = s.cropLeft;
  }
  if (ost.VideoPad) {
    ost.PadTopBand = s.padTop;
    ost.PadBottomBand = s.padBottom;
    ost.PadLeftBand = s.padLeft;
    ost.PadRightBand = s.padRight;
    if (!ost.VideoResample) {
      ost.TempPicture = AllocatePicture(enc);
      if (!ost.TempPicture) throw FFMpegException("avpicture_alloc fail");
    }
  }
  if (ost.VideoResample) {
    ost.TempPicture = AllocatePicture(enc);
    if (!ost.TempPicture) throw FFMpegException("Cannot allocate temp picture, check pix fmt");
    int64_t flags = s.scalerFlags;
    if (s.scalerTemplate) av_opt_get_int(s.scalerTemplate.get(), "sws_flags", 0, &flags);
    s.scalerFlags = static_cast<int32_t>(flags);
    // The scaler library aborts on a pixel format it does not know; a stream whose decoder
    // reports none must fail the run instead.
    if (sws_isSupportedInput(dec->pix_fmt) > 0 && sws_isSupportedOutput(enc->pix_fmt) > 0) {
      ost.Scaler.reset(sws_getContext(
          croppedWidth, croppedHeight, dec->pix_fmt, enc->width - s.padLeft - s.padRight,
          enc->height - s.padTop - s.padBottom, enc->pix_fmt, s.scalerFlags, nullptr, nullptr, nullptr));
    }
    if (!ost.Scaler) throw FFMpegException("Cannot get resampling context");
    ost.ResampleHeight = croppedHeight;
  }
}

void ConfigureEncoding(TCustomFFmpeg& job, TOutputStreamState& ost, TInputStreamState& ist) {
  const AVCodecContext* enc = ost.Encoder();
  switch (enc->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      ost.AudioFifo.reset(av_fifo_alloc2(kAudioFifoBytes, 1, AV_FIFO_FLAG_AUTO_GROW));
      if (!ost.AudioFifo) throw FFMpegException("av_fifo_init fail");
      ost.AudioResample = enc->sample_rate != ist.Decoder()->sample_rate || job.settings.audioSyncMethod > 1;
      ist.RequestedChannels = enc->ch_layout.nb_channels;
      break;
    case AVMEDIA_TYPE_VIDEO:
      ConfigureVideoEncoding(job, ost, ist);
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      // Subtitle encoders do not open without a time base; the subtitle path times the packets.
      ost.Encoder()->time_base = AV_TIME_BASE_Q;
      break;
    default:
      throw FFMpegException("invalid codec_type of output stream");
  }
  ost.EncodingNeeded = true;
  ist.DecodingNeeded = true;
}

// The statistics file of a two-pass encoding, by the stream's position in the output table.
void OpenPassLog(TCustomFFmpeg& job, TOutputStreamState& ost, size_t position) {
  AVCodecContext* enc = ost.Encoder();
  if ((enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2)) == 0) return;
  const std::string& prefix = job.settings.passLogFileName;
  std::string name =
      (prefix.empty() ? std::string("ffmpeg2pass") : prefix) + "-" + std::to_string(position) + ".log";
  if (name.size() > kMaxPassLogNameLength) name.resize(kMaxPassLogNameLength);
  if ((enc->flags & AV_CODEC_FLAG_PASS1) != 0) {
    ost.PassLogFile.reset(std::fopen(name.c_str(), "w"));
    if (!ost.PassLogFile) throw FFMpegException("creat file fail: " + name);
    return;
  }
  const FilePtr file(std::fopen(name.c_str(), "r"));
  long size = -1;
  if (file && std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
  if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) throw FFMpegException("creat open fail: " + name);
  AvMemoryPtr<char> text(static_cast<char*>(av_malloc(static_cast<size_t>(size) + 1)));
  if (!text) throw FFMpegException("Could not allocate log buffer");
  const size_t read = std::fread(text.get(), 1, static_cast<size_t>(size), file.get());
  text.get()[read] = '\0';
  enc->stats_in = text.get();
  job.run.PassStatistics.push_back(std::move(text));
}

void RaiseEncodeBufferSize(TCustomFFmpeg& job, const TOutputStreamState& ost) {
  const AVCodecContext* enc = ost.Encoder();
  if (enc->codec_type != AVMEDIA_TYPE_VIDEO) return;
  const int64_t needed = kEncodeBytesPerPixel * enc->width * enc->height;
  if (needed > job.run.EncodeBufferSize) {
    job.run.EncodeBufferSize = static_cast<int32_t>(std::min<int64_t>(needed, INT_MAX));
  }
}

}  // namespace

void ConfigureStreams(TCustomFFmpeg& job, RunTables& tables) {
  for (size_t n = 0; n < tables.OutputStreams.size(); ++n) {
    TOutputStreamState& ost = *tables.OutputStreams[n];
    TInputStreamState& ist = *tables.InputStreams[static_cast<size_t>(ost.SourceIndex)];
    CopyLanguageAndDisposition(ist, ost);
    if (ost.Output->streamCopy) {
      ConfigureCopy(job, ost, ist);
    } else {
      ConfigureEncoding(job, ost, ist);
    }
    if (ost.EncodingNeeded) OpenPassLog(job, ost, n);
    RaiseEncodeBufferSize(job, ost);
  }
}

}  // namespace quorbel
