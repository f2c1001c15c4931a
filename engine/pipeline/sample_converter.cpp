#include "pipeline/sample_converter.h"

#include <algorithm>

namespace quorbel {

namespace {

// Decoders that only count their channels give no order to mix by: the usual order for that
// count is assumed.
void InputLayout(const AVFrame& frame, AVChannelLayout& layout) {
  if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    av_channel_layout_default(&layout, frame.ch_layout.nb_channels);
  } else {
    av_channel_layout_copy(&layout, &frame.ch_layout);
  }
}

}  // namespace

SampleConverter::~SampleConverter() {
  av_channel_layout_uninit(&layout_);
}

int SampleConverter::Prepare(const AVFrame& frame, int channels) {
  AVChannelLayout input{};
  InputLayout(frame, input);
  const bool same = converter_ && frame.format == format_ && frame.sample_rate == rate_ &&
                    channels == channels_ && av_channel_layout_compare(&input, &layout_) == 0;
  if (same) {
    av_channel_layout_uninit(&input);
    return 0;
  }
  converter_.reset();
  av_channel_layout_uninit(&layout_);
  layout_ = input;  // takes over what `input` holds
  AVChannelLayout outputLayout{};
  av_channel_layout_default(&outputLayout, channels);
  SwrContext* made = nullptr;
  int result = swr_alloc_set_opts2(&made, &outputLayout, AV_SAMPLE_FMT_S16, frame.sample_rate, &layout_,
                                   static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
  av_channel_layout_uninit(&outputLayout);
  SwrContextPtr owned(made);
  if (result >= 0) result = swr_init(made);
  if (result < 0) return result;
  converter_ = std::move(owned);
  format_ = frame.format;
  rate_ = frame.sample_rate;
  channels_ = channels;
  return 0;
}

int SampleConverter::Convert(const AVFrame& frame, int channels, size_t minimumBytes,
                             std::vector<uint8_t>& output) {
  if (channels <= 0) channels = frame.ch_layout.nb_channels;
  if (channels <= 0 || frame.sample_rate <= 0) return AVERROR(EINVAL);
  const int prepared = Prepare(frame, channels);
  if (prepared < 0) return prepared;
  const int capacity = swr_get_out_samples(converter_.get(), frame.nb_samples);
  if (capacity < 0) return capacity;
  const size_t needed = static_cast<size_t>(capacity) * static_cast<size_t>(channels) * sizeof(int16_t);
  if (output.size() < std::max(needed, minimumBytes)) output.resize(std::max(needed, minimumBytes));
  uint8_t* destination = output.data();
  const int converted = swr_convert(converter_.get(), &destination, capacity,
                                    const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
  if (converted < 0) return converted;
  return converted * channels * static_cast<int>(sizeof(int16_t));
}

}  // namespace quorbel
