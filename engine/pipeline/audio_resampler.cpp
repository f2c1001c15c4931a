#include "pipeline/audio_resampler.h"

#include "base/text.h"
#include "pipeline/audio_channel_layout.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quorbel {

namespace {

constexpr int kBytesPerSample = 2;

// Converts inSamples frames of input (none: flush) into output, grown to the resampler's bound.
int Convert(TOutputStreamState& ost, const uint8_t* input, int inSamples, std::vector<uint8_t>& output) {
  SwrContext* resampler = ost.Resampler.get();
  const int outChannels = ost.Encoder()->ch_layout.nb_channels;
  const int capacity = swr_get_out_samples(resampler, inSamples);
  if (capacity < 0) throw FFMpegException("Audio resampling failed");
  const size_t needed = static_cast<size_t>(capacity) * static_cast<size_t>(outChannels) * kBytesPerSample;
  if (output.size() < needed) output.resize(needed);
  uint8_t* destination = output.data();
  const int converted = swr_convert(resampler, &destination, capacity, input != nullptr ? &input : nullptr,
                                    input != nullptr ? inSamples : 0);
  if (converted < 0) throw FFMpegException("Audio resampling failed");
  return converted * outChannels * kBytesPerSample;
}

}  // namespace

void MakeResampler(TOutputStreamState& ost, int inChannels, int inRate, bool compensating) {
  const AVCodecContext* enc = ost.Encoder();
  const int outChannels = enc->ch_layout.nb_channels;
  OwnedChannelLayout inLayout(inChannels);
  OwnedChannelLayout outLayout(outChannels);
  SwrContext* made = nullptr;
  int result = swr_alloc_set_opts2(&made, outLayout.get(), AV_SAMPLE_FMT_S16, enc->sample_rate,
                                   inLayout.get(), AV_SAMPLE_FMT_S16, inRate, 0, nullptr);
  SwrContextPtr resampler(made);
  if (result >= 0 && compensating) result = av_opt_set_int(made, "flags", SWR_FLAG_RESAMPLE, 0);
  if (result >= 0) result = swr_init(made);
  if (result < 0) {
    throw FFMpegException(StrPrintf("Can not resample %d channels @ %d Hz to %d channels @ %d Hz", inChannels,
                                    inRate, outChannels, enc->sample_rate));
  }
  ost.Resampler = std::move(resampler);
}

int ResampleBlock(TOutputStreamState& ost, const uint8_t* block, int inSamples,
                  std::vector<uint8_t>& output) {
  return Convert(ost, block, inSamples, output);
}

int FlushResampler(TOutputStreamState& ost, std::vector<uint8_t>& output) {
  return Convert(ost, nullptr, 0, output);
}

}  // namespace quorbel
