#include "pipeline/audio_frames.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "pipeline/audio_channel_layout.h"
#include "pipeline/encoder_output.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace quorbel {

namespace {

constexpr int kBytesPerSample = 2;

bool ServesEncoder(const AudioEncoderInput& input, const AVCodecContext* enc) {
  return input.Format == enc->sample_fmt && input.SampleRate == enc->sample_rate &&
         input.Channels == enc->ch_layout.nb_channels;
}

// The stream's entry, made (again) when the encoder's sample layout is new to it.
AudioEncoderInput& InputOf(AudioBuffers& buffers, const TOutputStreamState& ost) {
  const AVCodecContext* enc = ost.Encoder();
  auto found = std::find_if(buffers.Encoders.begin(), buffers.Encoders.end(), [&](const auto& input) {
    return input->FileIndex == ost.FileIndex && input->StreamIndex == ost.StreamIndex;
  });
  if (found == buffers.Encoders.end()) {
    buffers.Encoders.push_back(std::make_unique<AudioEncoderInput>());
    found = std::prev(buffers.Encoders.end());
  }
  AudioEncoderInput& input = **found;
  if (input.Frame && ServesEncoder(input, enc)) return input;
  input = AudioEncoderInput();
  input.FileIndex = ost.FileIndex;
  input.StreamIndex = ost.StreamIndex;
  input.Format = enc->sample_fmt;
  input.SampleRate = enc->sample_rate;
  input.Channels = enc->ch_layout.nb_channels;
  input.Frame = MakeFrame();
  if (!input.Frame) throw std::bad_alloc();
  if (enc->sample_fmt != AV_SAMPLE_FMT_S16) {
    OwnedChannelLayout layout(enc->ch_layout);
    SwrContext* made = nullptr;
    int result = swr_alloc_set_opts2(&made, layout.get(), enc->sample_fmt, enc->sample_rate, layout.get(),
                                     AV_SAMPLE_FMT_S16, enc->sample_rate, 0, nullptr);
    input.Formatter.reset(made);
    if (result >= 0) result = swr_init(made);
    if (result < 0) throw FFMpegException("Audio encoding failed");
  }
  return input;
}

// The reused frame, with room for count samples and no reference held elsewhere.
AVFrame* WritableFrame(AudioEncoderInput& input, const AVCodecContext* enc, int count) {
  AVFrame* frame = input.Frame.get();
  if (frame->buf[0] == nullptr || input.FrameCapacity < count || av_frame_is_writable(frame) == 0) {
    av_frame_unref(frame);
    frame->format = enc->sample_fmt;
    frame->sample_rate = enc->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout) < 0) throw std::bad_alloc();
    frame->nb_samples = std::max(count, input.FrameCapacity);
    if (av_frame_get_buffer(frame, 0) < 0) throw std::bad_alloc();
    input.FrameCapacity = frame->nb_samples;
  }
  frame->nb_samples = count;
  return frame;
}

}  // namespace

void EncodeSamples(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, const uint8_t* samples,
                   int count, int64_t ptsSamples) {
  const AVCodecContext* enc = ost.Encoder();
  AudioEncoderInput& input = InputOf(job.run.Audio, ost);
  AVFrame* frame = WritableFrame(input, enc, count);
  if (input.Formatter) {
    const int converted = swr_convert(input.Formatter.get(), frame->extended_data, count, &samples, count);
    if (converted != count) throw FFMpegException("Audio encoding failed");
  } else {
    std::memcpy(frame->data[0], samples,
                static_cast<size_t>(count) * static_cast<size_t>(input.Channels) * kBytesPerSample);
  }
  const int64_t pts = input.NextPts == AV_NOPTS_VALUE ? ptsSamples : std::max(ptsSamples, input.NextPts);
  input.NextPts = pts + count;
  frame->pts = av_rescale_q(pts, AVRational{1, enc->sample_rate}, enc->time_base);
  EncodeFrame(job, os, ost, frame);
}

}  // namespace quorbel
