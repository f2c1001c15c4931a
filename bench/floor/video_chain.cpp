#include "floor/video_chain.h"

#include <cmath>

#include "common/av_extra.h"

namespace quorbel::bench {

namespace {

AVPixelFormat SupportedPixelFormat(const AVCodec& codec, AVPixelFormat wanted) {
  if (codec.pix_fmts == nullptr) return wanted;
  for (const AVPixelFormat* format = codec.pix_fmts; *format != AV_PIX_FMT_NONE; ++format) {
    if (*format == wanted) return wanted;
  }
  return codec.pix_fmts[0];
}

}  // namespace

VideoChain::VideoChain(const FloorSettings& settings, const AVCodecContext& decoder, const AVStream& source)
    : encoder_(NewEncoder(settings.videoCodec, settings.formatName)),
      sourceTimeBase_(source.time_base),
      sourceStart_(source.start_time == AV_NOPTS_VALUE ? 0 : source.start_time) {
  CheckAllocated(scaled_.get(), "frame");
  CheckAllocated(sent_.get(), "frame");
  CheckAllocated(packet_.get(), "packet");
  AVRational rate = settings.frameRate.num != 0 ? settings.frameRate : source.r_frame_rate;
  if (rate.num == 0) rate = AVRational{25, 1};
  encoder_->time_base = av_inv_q(rate);
  encoder_->framerate = rate;
  encoder_->width = settings.width != 0 ? settings.width : decoder.width;
  encoder_->height = settings.height != 0 ? settings.height : decoder.height;
  encoder_->pix_fmt = SupportedPixelFormat(*encoder_->codec, decoder.pix_fmt);
  if (settings.videoBitRate != 0) encoder_->bit_rate = settings.videoBitRate;
  OpenEncoder(*encoder_, settings.videoOptions, settings.threads);

  if (encoder_->width != decoder.width || encoder_->height != decoder.height ||
      encoder_->pix_fmt != decoder.pix_fmt) {
    scaler_.reset(CheckAllocated(
        sws_getContext(decoder.width, decoder.height, decoder.pix_fmt, encoder_->width, encoder_->height,
                       encoder_->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr),
        "scaler"));
    scaled_->format = encoder_->pix_fmt;
    scaled_->width = encoder_->width;
    scaled_->height = encoder_->height;
    Check(av_frame_get_buffer(scaled_.get(), 0), "picture");
  }
}

const AVFrame& VideoChain::Converted(const AVFrame& decoded) {
  if (!scaler_) return decoded;
  // The encoder may still hold the previous picture (B-frames, lookahead): never write into it.
  Check(av_frame_make_writable(scaled_.get()), "picture");
  sws_scale(scaler_.get(), decoded.data, decoded.linesize, 0, decoded.height, scaled_->data,
            scaled_->linesize);
  return *scaled_;
}

void VideoChain::Encode(const AVFrame& decoded) {
  // The classic sync: drop a frame more than 1.1 frames early, repeat one more than 1.1 late.
  int64_t copies = 1;
  if (decoded.best_effort_timestamp != AV_NOPTS_VALUE) {
    const double wanted = static_cast<double>(decoded.best_effort_timestamp - sourceStart_) *
                          av_q2d(sourceTimeBase_) / av_q2d(encoder_->time_base);
    const double delta = wanted - static_cast<double>(nextPts_);
    if (delta < -1.1) return;
    if (delta > 1.1) copies = std::llround(delta);
  }
  const AVFrame& picture = Converted(decoded);
  for (int64_t copy = 0; copy < copies; ++copy) {
    Check(av_frame_ref(sent_.get(), &picture), "picture");
    sent_->pts = nextPts_++;
    sent_->pict_type = AV_PICTURE_TYPE_NONE;
    EncodeAndDiscard(*encoder_, sent_.get(), *packet_, totals_);
    av_frame_unref(sent_.get());
  }
}

void VideoChain::Finish() {
  EncodeAndDiscard(*encoder_, nullptr, *packet_, totals_);
}

}  // namespace quorbel::bench
