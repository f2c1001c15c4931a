#include "floor/audio_chain.h"

#include <algorithm>

namespace quorbel::bench {

namespace {

// Interleaved 16-bit where the encoder takes it, as the engine prefers; else its first format.
AVSampleFormat SupportedSampleFormat(const AVCodec& codec) {
  if (codec.sample_fmts == nullptr) return AV_SAMPLE_FMT_S16;
  for (const AVSampleFormat* format = codec.sample_fmts; *format != AV_SAMPLE_FMT_NONE; ++format) {
    if (*format == AV_SAMPLE_FMT_S16) return AV_SAMPLE_FMT_S16;
  }
  return codec.sample_fmts[0];
}

constexpr int kVariableFrameSamples = 1024;

}  // namespace

AudioChain::AudioChain(const FloorSettings& settings, const AVCodecContext& decoder)
    : encoder_(NewEncoder(settings.audioCodec, settings.formatName)) {
  CheckAllocated(converted_.get(), "frame");
  CheckAllocated(frame_.get(), "frame");
  CheckAllocated(packet_.get(), "packet");
  encoder_->sample_fmt = SupportedSampleFormat(*encoder_->codec);
  encoder_->sample_rate = settings.sampleRate != 0 ? settings.sampleRate : decoder.sample_rate;
  encoder_->time_base = AVRational{1, encoder_->sample_rate};
  av_channel_layout_uninit(&encoder_->ch_layout);
  av_channel_layout_default(&encoder_->ch_layout,
                            settings.channels != 0 ? settings.channels : decoder.ch_layout.nb_channels);
  if (settings.audioBitRate != 0) encoder_->bit_rate = settings.audioBitRate;
  OpenEncoder(*encoder_, settings.audioOptions, settings.threads);
  frameSamples_ = encoder_->frame_size > 0 ? encoder_->frame_size : kVariableFrameSamples;

  SwrContext* made = nullptr;
  // The library only reads the layouts it is given.
  Check(swr_alloc_set_opts2(&made, &encoder_->ch_layout, encoder_->sample_fmt, encoder_->sample_rate,
                            const_cast<AVChannelLayout*>(&decoder.ch_layout), decoder.sample_fmt,
                            decoder.sample_rate, 0, nullptr),
        "converter");
  converter_.reset(made);
  Check(swr_init(converter_.get()), "converter");
  frame_->format = encoder_->sample_fmt;
  frame_->nb_samples = frameSamples_;
  frame_->sample_rate = encoder_->sample_rate;
  Check(av_channel_layout_copy(&frame_->ch_layout, &encoder_->ch_layout), "layout");
  Check(av_frame_get_buffer(frame_.get(), 0), "samples");
  fifo_.reset(CheckAllocated(
      av_audio_fifo_alloc(encoder_->sample_fmt, encoder_->ch_layout.nb_channels, frameSamples_ * 4), "fifo"));
}

void AudioChain::Convert(const uint8_t** samples, int count) {
  const int room = swr_get_out_samples(converter_.get(), count);
  if (converted_->nb_samples < room) {
    av_frame_unref(converted_.get());
    converted_->format = encoder_->sample_fmt;
    converted_->nb_samples = room;
    Check(av_channel_layout_copy(&converted_->ch_layout, &encoder_->ch_layout), "layout");
    Check(av_frame_get_buffer(converted_.get(), 0), "samples");
  }
  const int made = Check(swr_convert(converter_.get(), converted_->data, room, samples, count), "converting");
  if (av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted_->data), made) < made)
    throw std::runtime_error("fifo: out of memory");
}

void AudioChain::EncodeFromFifo(int minimum) {
  while (av_audio_fifo_size(fifo_.get()) >= minimum && av_audio_fifo_size(fifo_.get()) > 0) {
    const int count = std::min(frameSamples_, av_audio_fifo_size(fifo_.get()));
    // The encoder may keep a reference to the previous frame: never write into it.
    Check(av_frame_make_writable(frame_.get()), "samples");
    frame_->nb_samples = count;
    av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame_->data), count);
    frame_->pts = nextPts_;
    nextPts_ += count;
    EncodeAndDiscard(*encoder_, frame_.get(), *packet_, totals_);
  }
}

void AudioChain::Encode(const AVFrame& decoded) {
  Convert(const_cast<const uint8_t**>(decoded.extended_data), decoded.nb_samples);
  EncodeFromFifo(frameSamples_);
}

void AudioChain::Finish() {
  Convert(nullptr, 0);
  EncodeFromFifo(1);
  EncodeAndDiscard(*encoder_, nullptr, *packet_, totals_);
}

}  // namespace quorbel::bench
