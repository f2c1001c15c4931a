#include "setup/stream_setup.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "options/codec_lookup.h"
#include "options/generic_options.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace quorbel {

namespace {

// Quality values are quantisers scaled by the libraries' lambda factor.
constexpr float kLambdaPerQuantiser = FF_QP2LAMBDA;
// Sample aspect ratios are written with terms of at most this size.
constexpr int kMaxAspectTerm = 255;
constexpr size_t kMatrixBytes = 64 * sizeof(uint16_t);

// Reads an optionally signed decimal integer at text; false when there is no digit.
bool ReadInteger(const char*& text, int& value) {
  const char* digits = text;
  if (*digits == '-' || *digits == '+') ++digits;
  if (*digits < '0' || *digits > '9') return false;
  char* end = nullptr;
  value = static_cast<int>(std::strtol(text, &end, 10));
  text = end;
  return true;
}

// An integer followed by one separator character.
int ReadBound(const char*& text) {
  int value = 0;
  if (!ReadInteger(text, value) || *text == '\0') throw FFMpegException("error parsing rc_override");
  ++text;
  return value;
}

struct EncoderChoice {
  AVCodecID id = AV_CODEC_ID_NONE;
  const AVCodec* encoder = nullptr;
};

// The named encoder, or the format's default for the kind when no name is given (for subtitles
// too: a subtitle stream without a codec could only fail the run).
EncoderChoice ChooseEncoder(TCustomFFmpeg& job, const OutputFile& file, const std::string& name,
                            AVMediaType type) {
  EncoderChoice choice;
  if (!name.empty()) {
    CodecChoice found;
    if (!LookupCodec(job, name, type, true, found)) throw FFMpegException(job.LastErrorText);
    choice.id = found.id;
    choice.encoder = found.codec;
  } else {
    choice.id = av_guess_codec(file.context->oformat, nullptr, file.fileName.c_str(), nullptr, type);
    choice.encoder = avcodec_find_encoder(choice.id);
  }
  return choice;
}

AVStream* NewStream(OutputFile& file) {
  AVStream* stream = avformat_new_stream(file.context.get(), nullptr);
  if (stream != nullptr) stream->id = stream->index;
  return stream;
}

CodecContextPtr NewEncoderContext(const AVCodec* encoder, AVMediaType type, AVCodecID id) {
  CodecContextPtr context(avcodec_alloc_context3(encoder));
  if (!context) throw std::bad_alloc();
  context->codec_type = type;
  context->codec_id = id;
  // An encoder the libraries mark experimental (the built-in Vorbis encoder) refuses to open
  // unless asked to; a caller that names it asks for it. A "strict" option still overrides this.
  if (encoder != nullptr && (encoder->capabilities & AV_CODEC_CAP_EXPERIMENTAL) != 0) {
    context->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
  }
  return context;
}

// The supported rate nearest to rate; the first of equally near ones.
AVRational NearestSupportedRate(const AVRational* supported, AVRational rate) {
  AVRational best = supported[0];
  double bestDistance = std::fabs(av_q2d(av_sub_q(supported[0], rate)));
  for (const AVRational* candidate = supported + 1; candidate->num != 0; ++candidate) {
    const double distance = std::fabs(av_q2d(av_sub_q(*candidate, rate)));
    if (distance < bestDistance) {
      best = *candidate;
      bestDistance = distance;
    }
  }
  return best;
}

AVPixelFormat SupportedPixelFormat(const AVCodec* encoder, AVPixelFormat wanted) {
  if (encoder == nullptr || encoder->pix_fmts == nullptr) return wanted;
  for (const AVPixelFormat* format = encoder->pix_fmts; *format != AV_PIX_FMT_NONE; ++format) {
    if (*format == wanted) return wanted;
  }
  return encoder->pix_fmts[0];
}

// Encoders take whole frames in one sample format; interleaved 16-bit is what the audio path
// produces, so it is preferred where the encoder takes it.
AVSampleFormat SupportedSampleFormat(const AVCodec* encoder) {
  if (encoder == nullptr || encoder->sample_fmts == nullptr) return AV_SAMPLE_FMT_S16;
  for (const AVSampleFormat* format = encoder->sample_fmts; *format != AV_SAMPLE_FMT_NONE; ++format) {
    if (*format == AV_SAMPLE_FMT_S16) return AV_SAMPLE_FMT_S16;
  }
  return encoder->sample_fmts[0];
}

uint16_t* CopyMatrix(const AvMemoryPtr<uint16_t>& matrix) {
  auto* copy = static_cast<uint16_t*>(av_malloc(kMatrixBytes));
  if (copy == nullptr) throw std::bad_alloc();
  std::memcpy(copy, matrix.get(), kMatrixBytes);
  return copy;
}

void SetLanguage(AVStream* stream, std::string& language) {
  if (language.empty()) return;
  // Stream languages are three-letter codes.
  av_dict_set(&stream->metadata, "language", language.substr(0, 3).c_str(), 0);
  language.clear();
}

void AddStreamEntry(OutputFile& file, AVStream* stream, CodecContextPtr encoder, bool streamCopy) {
  OutputStream entry;
  entry.stream = stream;
  entry.encoder = std::move(encoder);
  entry.streamCopy = streamCopy;
  file.streams.push_back(std::move(entry));
}

void ConfigureVideoEncoder(TCustomFFmpeg& job, AVCodecContext* context, const AVCodec* encoder,
                           std::vector<RcOverride>& overrides, float& quality) {
  OptionState& s = job.settings;
  const AVRational rate = s.frameRate.num != 0 ? s.frameRate : AVRational{25, 1};
  ApplyRecordedOptions(job, context, s.codecTemplates[AVMEDIA_TYPE_VIDEO].get(), kVideoMask | kEncodingMask);
  AVRational chosenRate = rate;
  if (encoder != nullptr && encoder->supported_framerates != nullptr) {
    chosenRate = NearestSupportedRate(encoder->supported_framerates, rate);
  }
  context->time_base = av_inv_q(chosenRate);
  context->framerate = chosenRate;

  context->width = s.frameWidth + s.padLeft + s.padRight;
  context->height = s.frameHeight + s.padTop + s.padBottom;
  if (context->width > 0) {
    context->sample_aspect_ratio =
        av_d2q(static_cast<double>(context->height) * s.frameAspectRatio / context->width, kMaxAspectTerm);
  }
  context->pix_fmt = SupportedPixelFormat(encoder, static_cast<AVPixelFormat>(s.framePixelFormat));
  if (s.intraOnly) context->gop_size = 0;
  if (s.videoQScale != 0.0f || s.sameQuality) {
    context->flags |= AV_CODEC_FLAG_QSCALE;
    quality = kLambdaPerQuantiser * s.videoQScale;
    context->global_quality = static_cast<int>(quality);
  }
  if (s.intraMatrix) context->intra_matrix = CopyMatrix(s.intraMatrix);
  if (s.interMatrix) context->inter_matrix = CopyMatrix(s.interMatrix);
  context->thread_count = s.threadCount;

  if (!overrides.empty()) {
    auto* table = static_cast<RcOverride*>(av_malloc_array(overrides.size(), sizeof(RcOverride)));
    if (table == nullptr) throw std::bad_alloc();
    std::memcpy(table, overrides.data(), overrides.size() * sizeof(RcOverride));
    context->rc_override = table;
    context->rc_override_count = static_cast<int>(overrides.size());
  }
  if (context->rc_initial_buffer_occupancy == 0)
    context->rc_initial_buffer_occupancy = context->rc_buffer_size * 3 / 4;
  // The motion-estimation threshold ("me_threshold") has no counterpart in the current encoders.
  context->intra_dc_precision = s.intraDcPrecision - 8;
  if (s.doPsnr) context->flags |= AV_CODEC_FLAG_PSNR;
  if (s.pass == 1) context->flags |= AV_CODEC_FLAG_PASS1;
  if (s.pass == 2) context->flags |= AV_CODEC_FLAG_PASS2;
}

}  // namespace

std::vector<RcOverride> ParseRcOverride(const std::string& text) {
  std::vector<RcOverride> overrides;
  const char* cursor = text.c_str();
  while (true) {
    RcOverride entry{};
    entry.start_frame = ReadBound(cursor);
    entry.end_frame = ReadBound(cursor);
    int q = 0;
    if (!ReadInteger(cursor, q)) q = 0;
    if (q > 0) {
      entry.qscale = q;
      entry.quality_factor = 1.0f;
    } else {
      entry.qscale = 0;
      entry.quality_factor = static_cast<float>(-q) / 100.0f;
    }
    overrides.push_back(entry);
    cursor = std::strchr(cursor, '/');
    if (cursor == nullptr) break;
    ++cursor;
  }
  return overrides;
}

void AddVideoStream(TCustomFFmpeg& job, OutputFile& file) {
  OptionState& s = job.settings;
  const bool copy = s.videoStreamCopy;
  std::vector<RcOverride> overrides;
  EncoderChoice choice;
  // Everything that can reject the settings is checked before the file gains a stream.
  if (!copy) {
    if (!s.rcOverrideText.empty()) overrides = ParseRcOverride(s.rcOverrideText);
    choice = ChooseEncoder(job, file, s.videoCodecName, AVMEDIA_TYPE_VIDEO);
  }
  AVStream* stream = NewStream(file);
  if (stream == nullptr) {
    s.videoCodecName.clear();
    throw FFMpegException("Could not alloc stream");
  }
  CodecContextPtr context = NewEncoderContext(choice.encoder, AVMEDIA_TYPE_VIDEO, choice.id);
  context->thread_count = s.threadCount;
  if (s.videoCodecTag != 0) context->codec_tag = s.videoCodecTag;
  // The template keeps the header choice for later streams (a released job has none).
  AVCodecContext* videoTemplate = s.codecTemplates[AVMEDIA_TYPE_VIDEO].get();
  if ((s.videoGlobalHeader & 1) != 0 ||
      (s.videoGlobalHeader == 0 && (file.context->oformat->flags & AVFMT_GLOBALHEADER) != 0)) {
    context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (videoTemplate != nullptr) videoTemplate->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  if ((s.videoGlobalHeader & 2) != 0) {
    context->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
    if (videoTemplate != nullptr) videoTemplate->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
  }

  float quality = 0.0f;
  if (!copy) {
    ConfigureVideoEncoder(job, context.get(), choice.encoder, overrides, quality);
    stream->sample_aspect_ratio = context->sample_aspect_ratio;
  }
  AddStreamEntry(file, stream, std::move(context), copy);
  file.streams.back().quality = quality;
  if (!copy) file.streams.back().encoderOptions = PrivateOptionsFor(job, kVideoEncoders);

  s.videoDisable = false;
  s.videoCodecName.clear();
  s.videoStreamCopy = false;
}

void AddAudioStream(TCustomFFmpeg& job, OutputFile& file) {
  OptionState& s = job.settings;
  const bool copy = s.audioStreamCopy;
  EncoderChoice choice;
  if (!copy) choice = ChooseEncoder(job, file, s.audioCodecName, AVMEDIA_TYPE_AUDIO);
  AVStream* stream = NewStream(file);
  if (stream == nullptr) {
    s.audioCodecName.clear();
    s.audioLanguage.clear();
    throw FFMpegException("Could not alloc stream");
  }
  CodecContextPtr context = NewEncoderContext(choice.encoder, AVMEDIA_TYPE_AUDIO, choice.id);
  context->thread_count = s.threadCount;
  if (s.audioCodecTag != 0) context->codec_tag = s.audioCodecTag;
  if ((file.context->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
    context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (AVCodecContext* audioTemplate = s.codecTemplates[AVMEDIA_TYPE_AUDIO].get()) {
      audioTemplate->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
  }
  float quality = 0.0f;
  if (!copy) {
    ApplyRecordedOptions(job, context.get(), s.codecTemplates[AVMEDIA_TYPE_AUDIO].get(),
                         kAudioMask | kEncodingMask);
    if (s.audioQScale > kAudioQScaleUnset) {
      context->flags |= AV_CODEC_FLAG_QSCALE;
      quality = kLambdaPerQuantiser * s.audioQScale;
      context->global_quality = static_cast<int>(quality);
    }
    context->sample_fmt = SupportedSampleFormat(choice.encoder);
  }
  av_channel_layout_uninit(&context->ch_layout);
  av_channel_layout_default(&context->ch_layout, s.audioChannels);
  context->sample_rate = s.audioSampleRate;
  context->time_base = AVRational{1, s.audioSampleRate};
  SetLanguage(stream, s.audioLanguage);
  AddStreamEntry(file, stream, std::move(context), copy);
  file.streams.back().quality = quality;
  if (!copy) file.streams.back().encoderOptions = PrivateOptionsFor(job, kAudioEncoders);

  s.audioDisable = false;
  s.audioCodecName.clear();
  s.audioStreamCopy = false;
}

void AddSubtitleStream(TCustomFFmpeg& job, OutputFile& file) {
  OptionState& s = job.settings;
  const bool copy = s.subtitleStreamCopy;
  EncoderChoice choice;
  if (!copy) choice = ChooseEncoder(job, file, s.subtitleCodecName, AVMEDIA_TYPE_SUBTITLE);
  AVStream* stream = NewStream(file);
  if (stream == nullptr) {
    s.subtitleCodecName.clear();
    s.subtitleLanguage.clear();
    throw FFMpegException("Could not alloc stream");
  }
  CodecContextPtr context = NewEncoderContext(choice.encoder, AVMEDIA_TYPE_SUBTITLE, choice.id);
  if (!copy) {
    ApplyRecordedOptions(job, context.get(), s.codecTemplates[AVMEDIA_TYPE_SUBTITLE].get(),
                         kSubtitleMask | kEncodingMask);
  }
  SetLanguage(stream, s.subtitleLanguage);
  AddStreamEntry(file, stream, std::move(context), copy);
  if (!copy) file.streams.back().encoderOptions = PrivateOptionsFor(job, kSubtitleEncoders);

  s.subtitleDisable = false;
  s.subtitleCodecName.clear();
  s.subtitleStreamCopy = false;
}

void AddStreamToLastOutput(TCustomFFmpeg& job, AVMediaType type) {
  if (job.outputFiles.empty()) throw FFMpegException("At least one output file must be specified");
  OutputFile& file = job.outputFiles.back();
  if (type == AVMEDIA_TYPE_VIDEO) {
    AddVideoStream(job, file);
  } else if (type == AVMEDIA_TYPE_AUDIO) {
    AddAudioStream(job, file);
  } else {
    AddSubtitleStream(job, file);
  }
}

}  // namespace quorbel
