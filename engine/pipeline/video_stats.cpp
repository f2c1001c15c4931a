#include "pipeline/video_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/avutil.h>
}

namespace quorbel {

namespace {

constexpr double kMinPositionSeconds = 0.01;

}  // namespace

void WriteVideoStats(TCustomFFmpeg& job, AVFormatContext*, TOutputStreamState& ost, int frameSizeBytes) {
  if (!job.run.VideoStatsFile) {
    const std::string& name = job.settings.vstatsFileName;
    job.run.VideoStatsFile.reset(std::fopen(name.c_str(), "w"));
    if (!job.run.VideoStatsFile) throw FFMpegException("fopen fail: " + name);
  }
  const AVCodecContext* enc = ost.Encoder();
  if (enc->codec_type != AVMEDIA_TYPE_VIDEO) return;
  std::FILE* file = job.run.VideoStatsFile.get();

  std::fprintf(file, "frame= %5d q= %2.1f ", ost.FrameNumber,
               static_cast<double>(ost.CodedQuality) / FF_QP2LAMBDA);
  if ((enc->flags & AV_CODEC_FLAG_PSNR) != 0) {
    const double scale = static_cast<double>(enc->width) * enc->height * 255.0 * 255.0;
    std::fprintf(file, "PSNR= %6.2f ", -10.0 * std::log10(static_cast<double>(ost.CodedError[0]) / scale));
  }
  std::fprintf(file, "f_size= %6d ", frameSizeBytes);

  const double timeBase = av_q2d(enc->time_base);
  const double seconds = std::max(static_cast<double>(ost.SyncPos) * timeBase, kMinPositionSeconds);
  const auto videoBytes = static_cast<double>(job.run.VideoBytes);
  std::fprintf(file, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
               videoBytes / 1024.0, seconds, frameSizeBytes * 8.0 / timeBase / 1000.0,
               videoBytes * 8.0 / seconds / 1000.0);
  std::fprintf(file, "type= %c\n",
               av_get_picture_type_char(static_cast<AVPictureType>(ost.CodedPictureType)));
}

}  // namespace quorbel
