#include "pipeline/video_output.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "base/text.h"
#include "pipeline/encoder_output.h"
#include "pipeline/main_loop.h"
#include "pipeline/pipeline_owners.h"
#include "pipeline/video_picture.h"
#include "pipeline/video_sync.h"
#include "quorbel/exceptions.h"

namespace quorbel {

namespace {

constexpr int kInterlacedCoding = AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
constexpr int32_t kTopFieldFromInput = -1;

void CountDropsAndDuplicates(TCustomFFmpeg& job, int64_t count) {
  RunState& run = job.run;
  if (count == 0) {
    ++run.DropFrames;
    if (job.Verbosity() > 2) job.Log(1, "*** drop!");
  } else if (count > 1) {
    run.DupFrames += static_cast<int32_t>(count - 1);
    if (job.Verbosity() > 2) job.Log(1, StrPrintf("*** %lld dup!", static_cast<long long>(count - 1)));
  }
}

// The part of a picture the encoder is given: its size after cropping, and its pixel format.
struct SourceArea {
  int width = 0;
  int height = 0;
  AVPixelFormat format = AV_PIX_FMT_NONE;
};

SourceArea CroppedArea(const TCustomFFmpeg& job, const TOutputStreamState& ost, const AVFrame& picture) {
  const OptionState& s = job.settings;
  SourceArea area{picture.width, picture.height, static_cast<AVPixelFormat>(picture.format)};
  if (ost.VideoCrop) {
    area.width -= ost.CropLeftBand + s.cropRight;
    area.height -= ost.CropTopBand + s.cropBottom;
  }
  return area;
}

// The scaler for the area; the one setup made while the area is what setup expected.
void FitScaler(TCustomFFmpeg& job, TOutputStreamState& ost, const SourceArea& area, int width, int height) {
  const AVCodecContext* enc = ost.Encoder();
  SwsContext* scaler = nullptr;
  if (sws_isSupportedInput(area.format) > 0 && sws_isSupportedOutput(enc->pix_fmt) > 0) {
    scaler = sws_getCachedContext(ost.Scaler.release(), area.width, area.height, area.format, width, height,
                                  enc->pix_fmt, job.settings.scalerFlags, nullptr, nullptr, nullptr);
  }
  ost.Scaler.reset(scaler);
  if (!ost.Scaler) throw FFMpegException("Cannot get resampling context");
}

// TempPicture with memory of its own to write into: a buffer the encoder still holds a
// reference to (delayed pictures) is left to the encoder.
AVFrame& WritableTempPicture(TOutputStreamState& ost) {
  FramePtr& temp = ost.TempPicture;
  if (temp && av_frame_is_writable(temp.get()) != 0) return *temp;
  if (temp) {
    av_frame_unref(temp.get());
  } else {
    temp = MakeFrame();
    if (!temp) throw std::bad_alloc();
  }
  const AVCodecContext* enc = ost.Encoder();
  temp->format = enc->pix_fmt;
  temp->width = enc->width;
  temp->height = enc->height;
  if (av_frame_get_buffer(temp.get(), 0) < 0) throw std::bad_alloc();
  return *temp;
}

// Makes `input` show `view` of `picture`: a reference when the picture is reference-counted, so
// nothing is copied; otherwise (the job's hook copy, rewritten each frame) the encoder copies it.
void ShowView(AVFrame& input, const AVFrame& picture, const PictureView& view, int width, int height) {
  if (picture.buf[0] != nullptr) {
    if (av_frame_ref(&input, &picture) < 0) throw std::bad_alloc();
  }
  input.format = picture.format;
  input.width = width;
  input.height = height;
  for (size_t p = 0; p < 4; ++p) {
    input.data[p] = view.data[p];
    input.linesize[p] = view.linesize[p];
  }
}

// Crop, rescale and pad into the encoder's picture. Returns the job's encoder input showing the
// result, or nullptr after a logged failure.
AVFrame* FormatPicture(TCustomFFmpeg& job, TOutputStreamState& ost, const AVFrame& picture) {
  VideoBuffers& buffers = job.run.videoBuffers;
  if (!buffers.EncoderInput) {
    buffers.EncoderInput = MakeFrame();
    if (!buffers.EncoderInput) throw std::bad_alloc();
  }
  AVFrame& input = *buffers.EncoderInput;
  const AVCodecContext* enc = ost.Encoder();
  const SourceArea area = CroppedArea(job, ost, picture);
  PictureView formatted = ViewOf(picture);
  if (area.width <= 0 || area.height <= 0 ||
      (ost.VideoCrop && !ShiftView(formatted, area.format, ost.CropTopBand, ost.CropLeftBand, formatted))) {
    job.Log(0, "error cropping picture");
    return nullptr;
  }
  const PadBands bands = ost.VideoPad
                             ? PadBands{ost.PadTopBand, ost.PadBottomBand, ost.PadLeftBand, ost.PadRightBand}
                             : PadBands{};
  const int innerWidth = enc->width - bands.left - bands.right;
  const int innerHeight = enc->height - bands.top - bands.bottom;
  const bool resample = ost.VideoResample || area.width != innerWidth || area.height != innerHeight ||
                        area.format != enc->pix_fmt;
  if (!resample && !ost.VideoPad) {
    ShowView(input, picture, formatted, enc->width, enc->height);
    return &input;
  }

  AVFrame& temp = WritableTempPicture(ost);
  PictureView target = ViewOf(temp);
  if (ost.VideoPad && resample && !ShiftView(target, enc->pix_fmt, bands.top, bands.left, target)) {
    job.Log(0, "error padding picture");
    return nullptr;
  }
  if (resample) {
    FitScaler(job, ost, area, innerWidth, innerHeight);
    ost.ResampleHeight = area.height;
    sws_scale(ost.Scaler.get(), formatted.data.data(), formatted.linesize.data(), 0, ost.ResampleHeight,
              target.data.data(), target.linesize.data());
  }
  if (ost.VideoPad && !PadPicture(ViewOf(temp), enc->pix_fmt, enc->width, enc->height, bands,
                                  job.settings.padColor, resample ? nullptr : &formatted)) {
    job.Log(0, "error padding picture");
    return nullptr;
  }
  if (av_frame_ref(&input, &temp) < 0) throw std::bad_alloc();
  return &input;
}

void SetPictureFields(const TCustomFFmpeg& job, const TOutputStreamState& ost, const TInputStreamState& ist,
                      const AVFrame& picture, AVFrame& input) {
  const OptionState& s = job.settings;
  input.interlaced_frame = picture.interlaced_frame;
  const AVCodecContext* videoDefaults = s.codecTemplates[AVMEDIA_TYPE_VIDEO].get();
  if (videoDefaults != nullptr && (videoDefaults->flags & kInterlacedCoding) != 0) {
    input.top_field_first = s.topFieldFirst == kTopFieldFromInput ? picture.top_field_first : s.topFieldFirst;
  }
  input.quality = static_cast<int>(std::lrint(s.sameQuality ? ist.Quality : ost.Output->quality));
  input.pict_type = s.meThreshold == 0 ? AV_PICTURE_TYPE_NONE : picture.pict_type;
}

}  // namespace

int EncodeVideo(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, TInputStreamState& ist,
                const AVFrame& picture) {
  const OptionState& s = job.settings;
  const double syncSeconds = static_cast<double>(ost.SyncStream->Pts - s.startTimeUs) / 1000000.0;
  const VideoSyncDecision sync =
      DecideVideoSync(s.videoSyncMethod, ost.Encoder()->time_base, syncSeconds, ost.SyncPos);
  ost.SyncPos = sync.syncPos;
  if (sync.controlled) CountDropsAndDuplicates(job, sync.count);
  const int64_t count = std::min<int64_t>(sync.count, int64_t{s.maxVideoFrames} - ost.FrameNumber);
  if (count <= 0) return 0;

  AVFrame* input = FormatPicture(job, ost, picture);
  if (input == nullptr) return 0;
  const FrameUnref release(input);
  SetPictureFields(job, ost, ist, picture, *input);
  int lastSize = 0;
  // A timestamp jump can ask for thousands of repeats: the time and size limits hold inside them too.
  const double recordingSeconds = static_cast<double>(s.recordingTimeUs) / 1000000.0;
  for (int64_t copy = 0; copy < count; ++copy) {
    job.WaitWhilePaused();
    if (job.StopRequested) break;
    if (copy > 0 && (OutputPositionSeconds(ost) >= recordingSeconds || OutputSizeReached(job))) break;
    input->pts = ost.SyncPos;
    const int size = EncodeFrame(job, os, ost, input);
    if (size > 0) lastSize = size;
    ++ost.SyncPos;
    ++ost.FrameNumber;
  }
  return lastSize;
}

}  // namespace quorbel
