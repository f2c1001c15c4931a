#include "pipeline/progress.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/time.h>
}

namespace quorbel {

namespace {

constexpr int32_t kQuantisers = 52;
// Hex digits of the histogram in the report line: the quantisers 0 ... 31.
constexpr int32_t kShownQuantisers = 32;
// The smallest positive output position when no stream has one yet (s).
constexpr double kNoPositionSeconds = 1e10;
constexpr double kMinPositionSeconds = 0.01;

// Relaxed atomics: parallel jobs count into it at the same time, and only the totals matter.
std::array<std::atomic<int32_t>, kQuantisers> qpHistogram{};

// The report line: each piece is appended within the space left of a fixed buffer.
class ReportLine {
 public:
  __attribute__((format(printf, 2, 3))) void Append(const char* format, ...) {
    const size_t left = sizeof(text_) - length_;
    if (left <= 1) return;
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(text_ + length_, left, format, args);
    va_end(args);
    if (written > 0) length_ += std::min(static_cast<size_t>(written), left - 1);
  }
  const char* Text() const { return text_; }

 private:
  char text_[1024] = {};
  size_t length_ = 0;
};

bool IsVideo(const TOutputStreamState& ost) {
  return ost.Encoder()->codec_type == AVMEDIA_TYPE_VIDEO;
}

// Quantiser of the last coded frame, -1 for a copied stream.
float LastQuantiser(const TOutputStreamState& ost) {
  if (!ost.EncodingNeeded) return -1.0f;
  return static_cast<float>(ost.CodedQuality) / static_cast<float>(FF_QP2LAMBDA);
}

// Bytes written to the first output file so far.
int64_t OutputSizeBytes(const TCustomFFmpeg& job) {
  if (job.outputFiles.empty()) return 0;
  AVIOContext* bytes = job.outputFiles.front().context->pb;
  if (bytes == nullptr) return 0;
  const int64_t size = avio_size(bytes);
  return size >= 0 ? size : avio_tell(bytes);
}

void CountQuantiser(float quantiser, ReportLine& line) {
  const long k = std::lrint(quantiser);
  if (k >= 0 && k < kQuantisers) qpHistogram[static_cast<size_t>(k)].fetch_add(1, std::memory_order_relaxed);
  for (int32_t j = 0; j < kShownQuantisers; ++j) {
    const double count = qpHistogram[static_cast<size_t>(j)].load(std::memory_order_relaxed);
    line.Append("%X", static_cast<unsigned>(std::lrint(std::log2(count + 1))));
  }
}

// Per plane and over all three; the last report measures the whole run.
void AppendPsnr(const TOutputStreamState& ost, int32_t frame, bool isLast, ReportLine& line) {
  const AVCodecContext* enc = ost.Encoder();
  static constexpr char kPlanes[] = {'Y', 'U', 'V'};
  double errorSum = 0.0;
  double scaleSum = 0.0;
  line.Append("PSNR=");
  for (size_t p = 0; p < 3; ++p) {
    const double error = isLast ? static_cast<double>(enc->error[p]) : static_cast<double>(ost.CodedError[p]);
    double scale = static_cast<double>(enc->width) * enc->height * 255.0 * 255.0;
    if (isLast) scale *= frame;
    if (p > 0) scale /= 4;
    errorSum += error;
    scaleSum += scale;
    line.Append("%c:%2.2f ", kPlanes[p], -10.0 * std::log10(error / scale));
  }
  line.Append("*:%2.2f ", -10.0 * std::log10(errorSum / scaleSum));
}

void LogSummary(TCustomFFmpeg& job, int64_t totalSize) {
  const RunState& run = job.run;
  const int64_t raw = run.AudioBytes + run.VideoBytes + run.HeaderBytes;
  const auto kB = [](int64_t bytes) { return static_cast<double>(bytes) / 1024.0; };
  char text[256];
  // Without any packet bytes the overhead has no value.
  if (raw == 0) {
    std::snprintf(text, sizeof(text),
                  "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead unknown\r\n",
                  kB(run.VideoBytes), kB(run.AudioBytes), kB(run.HeaderBytes));
  } else {
    const double overhead = static_cast<double>(totalSize - raw) * 100.0 / static_cast<double>(raw);
    std::snprintf(text, sizeof(text),
                  "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %.2f%%\r\n",
                  kB(run.VideoBytes), kB(run.AudioBytes), kB(run.HeaderBytes), overhead);
  }
  job.Log(1, text);
}

}  // namespace

int32_t QpHistogramCount(int32_t quantiser) {
  if (quantiser < 0 || quantiser >= kQuantisers) return 0;
  return qpHistogram[static_cast<size_t>(quantiser)].load(std::memory_order_relaxed);
}

void ReportProgress(TCustomFFmpeg& job, RunTables& tables, bool isLast) {
  int32_t frame = -1;
  int32_t fps = -1;
  float quality = -1.0f;
  const int64_t totalSize = OutputSizeBytes(job);
  ReportLine line;
  double position = kNoPositionSeconds;
  bool seenVideo = false;

  for (const auto& ost : tables.OutputStreams) {
    if (seenVideo && IsVideo(*ost)) line.Append("q=%2.1f ", LastQuantiser(*ost));
    if (!seenVideo && IsVideo(*ost)) {
      const float seconds = static_cast<float>(av_gettime() - job.run.TimerStart) / 1000000.0f;
      frame = ost->FrameNumber;
      if (frame < 1) return;
      fps = seconds > 1.0f ? static_cast<int32_t>(static_cast<float>(frame) / seconds + 0.5f) : 0;
      quality = LastQuantiser(*ost);
      line.Append("frame=%5d fps=%3d q=%3.1f ", frame, fps, static_cast<double>(quality));
      if (isLast) line.Append("L");
      if (job.settings.qpHistogram) {
        // A copied stream has no quantiser to count.
        CountQuantiser(ost->EncodingNeeded ? quality : -1.0f, line);
      }
      if ((ost->Encoder()->flags & AV_CODEC_FLAG_PSNR) != 0) AppendPsnr(*ost, frame, isLast, line);
      seenVideo = true;
    }
    if (ost->EndTs != AV_NOPTS_VALUE) {
      const double streamPosition = static_cast<double>(ost->EndTs) * av_q2d(ost->Stream->time_base);
      if (streamPosition > 0 && streamPosition < position) position = streamPosition;
    }
  }
  const bool positionKnown = position < kNoPositionSeconds;
  if (positionKnown && position < kMinPositionSeconds) position = kMinPositionSeconds;

  if (job.ProgressCallback || job.Verbosity() > 0 || isLast) {
    const double bitRate = positionKnown ? static_cast<double>(totalSize) * 8.0 / position / 1000.0 : 0.0;
    line.Append("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", static_cast<double>(totalSize) / 1024.0,
                positionKnown ? position : 0.0, bitRate);
    if (job.Verbosity() > 1) line.Append(" dup=%d drop=%d", job.run.DupFrames, job.run.DropFrames);
    if (job.ProgressCallback) {
      // Positions beyond the Integer range (weeks) are held at its largest value.
      const double durationMs = positionKnown ? std::min(position * 1000.0, 2147483647.0) : 0.0;
      job.ProgressCallback(job, frame, fps, static_cast<int32_t>(durationMs), quality,
                           static_cast<float>(bitRate), totalSize, job.TotalOutputDuration);
    } else if (job.Verbosity() >= 0) {
      job.Log(1, line.Text());
    }
  }

  if (isLast && job.Verbosity() >= 0 && job.HasLogCallback()) LogSummary(job, totalSize);
}

}  // namespace quorbel
