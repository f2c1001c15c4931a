#include "pipeline/subtitle_output.h"

#include <algorithm>

#include "pipeline/encoder_output.h"
#include "quorbel/exceptions.h"

namespace quorbel {

namespace {

constexpr size_t kSubtitleBufferBytes = 65536;
constexpr AVRational kMilliseconds{1, 1000};

// Encodes the subtitle and writes it at `time` (output stream time base) for `duration`.
void WriteSubtitle(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost,
                   const AVSubtitle& subtitle, int64_t time, int64_t duration) {
  std::vector<uint8_t>& buffer = job.run.videoBuffers.SubtitleBuffer;
  if (buffer.empty()) buffer.resize(kSubtitleBufferBytes);
  const int size =
      avcodec_encode_subtitle(ost.Encoder(), buffer.data(), static_cast<int>(buffer.size()), &subtitle);
  if (size < 0) throw FFMpegException("Subtitle encoding failed");
  if (size == 0) return;
  AVPacket* packet = OutputPacketOf(ost);
  const PacketUnref release(packet);
  packet->data = buffer.data();
  packet->size = size;
  packet->stream_index = ost.StreamIndex;
  packet->pts = time;
  packet->dts = time;
  packet->duration = duration;
  WriteStreamPacket(os, ost, packet);
}

// A page without regions: it takes the shown subtitle off the screen.
void WriteClear(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, int64_t time) {
  AVSubtitle clear{};
  WriteSubtitle(job, os, ost, clear, time, 0);
}

std::vector<PendingSubtitleClear>::iterator PendingClearOf(TCustomFFmpeg& job,
                                                           const TOutputStreamState& ost) {
  std::vector<PendingSubtitleClear>& pending = job.run.videoBuffers.PendingClears;
  return std::find_if(pending.begin(), pending.end(), [&](const PendingSubtitleClear& clear) {
    return clear.fileIndex == ost.FileIndex && clear.streamIndex == ost.StreamIndex;
  });
}

// Writes the stream's pending clear no later than `latest`; one that would not come after the
// subtitle it clears is dropped.
void ResolvePendingClear(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, int64_t latest) {
  const auto pending = PendingClearOf(job, ost);
  if (pending == job.run.videoBuffers.PendingClears.end()) return;
  const PendingSubtitleClear clear = *pending;
  job.run.videoBuffers.PendingClears.erase(pending);
  const int64_t time = std::min(clear.clearAt, latest);
  if (time > clear.shownAt) WriteClear(job, os, ost, time);
}

}  // namespace

void EncodeSubtitle(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, TInputStreamState& ist,
                    const AVSubtitle& subtitle, int64_t pts) {
  if (pts == AV_NOPTS_VALUE) {
    job.Log(0, "Subtitle packets must have a pts");
    return;
  }
  const AVRational timeBase = ost.Stream->time_base;
  const int64_t packetTime = av_rescale_q(pts, ist.Stream->time_base, timeBase);
  const int64_t shownAt = packetTime + av_rescale_q(subtitle.start_display_time, kMilliseconds, timeBase);
  const uint32_t spanMs = subtitle.end_display_time > subtitle.start_display_time
                              ? subtitle.end_display_time - subtitle.start_display_time
                              : 0;
  const bool dvb = ost.Encoder()->codec_id == AV_CODEC_ID_DVB_SUBTITLE;
  if (dvb) ResolvePendingClear(job, os, ost, shownAt - 1);

  // Encoders take the display span from the packet's own time on; the rectangles stay the
  // decoder's (a shallow copy).
  AVSubtitle shown = subtitle;
  shown.start_display_time = 0;
  shown.end_display_time = spanMs;
  const bool timed = !dvb && spanMs > 0 && subtitle.end_display_time != UINT32_MAX;
  WriteSubtitle(job, os, ost, shown, shownAt, timed ? av_rescale_q(spanMs, kMilliseconds, timeBase) : 0);
  if (dvb) {
    const int64_t clearAt = packetTime + av_rescale_q(subtitle.end_display_time, kMilliseconds, timeBase);
    job.run.videoBuffers.PendingClears.push_back({ost.FileIndex, ost.StreamIndex, shownAt, clearAt});
  }
}

void FinishSubtitles(TCustomFFmpeg& job, const RunTables& tables, AVFormatContext* os,
                     TOutputStreamState& ost) {
  int64_t fileEnd = INT64_MAX;
  for (const auto& other : tables.OutputStreams) {
    if (other->FileIndex != ost.FileIndex || other.get() == &ost || other->EndTs == AV_NOPTS_VALUE) continue;
    const int64_t end = av_rescale_q(other->EndTs, other->Stream->time_base, ost.Stream->time_base);
    fileEnd = fileEnd == INT64_MAX ? end : std::max(fileEnd, end);
  }
  ResolvePendingClear(job, os, ost, fileEnd);
}

}  // namespace quorbel
