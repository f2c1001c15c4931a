#include "pipeline/main_loop.h"

#include <cmath>
#include <cstdlib>

#include "base/text.h"
#include "binding/error_text.h"
#include "binding/log_level.h"
#include "pipeline/process_packet.h"
#include "pipeline/progress.h"
#include "pipeline/run_cleanup.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/time.h>
}

namespace quorbel {

namespace {

// Larger than any position.
constexpr double kNoPosition = 1e100;

int32_t MaxFrames(const OptionState& s, AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return s.maxVideoFrames;
    case AVMEDIA_TYPE_AUDIO:
      return s.maxAudioFrames;
    case AVMEDIA_TYPE_SUBTITLE:
      return s.maxSubtitleFrames;
    default:
      return s.maxDataFrames;
  }
}

struct InputChoice {
  int32_t file = -1;  // none: nothing left to read, or a frame limit is reached
  double minOutputSeconds = kNoPosition;
};

// The file feeding the output stream that is furthest behind (by input position with "isync").
InputChoice ChooseInput(const TCustomFFmpeg& job, const RunTables& tables) {
  const OptionState& s = job.settings;
  InputChoice choice;
  double minInput = kNoPosition;
  for (const auto& ost : tables.OutputStreams) {
    const TInputStreamState& ist = *tables.InputStreams[static_cast<size_t>(ost->SourceIndex)];
    const double outputPosition = OutputPositionSeconds(*ost);
    const auto inputPosition = static_cast<double>(ist.Pts);
    if (!tables.InputFiles[static_cast<size_t>(ist.FileIndex)].EofReached) {
      if (inputPosition < minInput) {
        minInput = inputPosition;
        if (s.inputSync) choice.file = ist.FileIndex;
      }
      if (outputPosition < choice.minOutputSeconds) {
        choice.minOutputSeconds = outputPosition;
        if (!s.inputSync) choice.file = ist.FileIndex;
      }
    }
    if (ost->FrameNumber >= MaxFrames(s, ost->Encoder()->codec_type)) {
      choice.file = -1;
      break;
    }
  }
  return choice;
}

}  // namespace

bool OutputSizeReached(const TCustomFFmpeg& job) {
  const int64_t limit = job.settings.outputSizeLimit;
  if (limit == 0 || job.outputFiles.empty()) return false;
  AVIOContext* bytes = job.outputFiles.front().context->pb;
  return bytes != nullptr && avio_tell(bytes) > limit;
}

double OutputPositionSeconds(const TOutputStreamState& ost) {
  const AVCodecContext* enc = ost.Encoder();
  if (ost.EncodingNeeded && enc->codec_type == AVMEDIA_TYPE_VIDEO) {
    return static_cast<double>(ost.SyncPos) * av_q2d(enc->time_base);
  }
  if (ost.EndTs == AV_NOPTS_VALUE) return 0.0;
  return static_cast<double>(ost.EndTs) * av_q2d(ost.Stream->time_base);
}

void CorrectTimestamps(TCustomFFmpeg& job, int32_t fileIndex, TInputStreamState& ist, AVPacket& packet) {
  const OptionState& s = job.settings;
  InputFile& file = job.inputFiles[static_cast<size_t>(fileIndex)];
  const AVRational timeBase = ist.Stream->time_base;
  const int64_t offset = av_rescale_q(file.timestampOffsetUs, AV_TIME_BASE_Q, timeBase);
  if (packet.dts != AV_NOPTS_VALUE) packet.dts += offset;
  if (packet.pts != AV_NOPTS_VALUE) packet.pts += offset;

  const double scale =
      ist.StreamIndex < kMaxStreams
          ? s.timestampScales[static_cast<size_t>(fileIndex)][static_cast<size_t>(ist.StreamIndex)]
          : 0.0;
  if (scale != 0.0) {
    if (packet.pts != AV_NOPTS_VALUE) packet.pts = std::llrint(static_cast<double>(packet.pts) * scale);
    if (packet.dts != AV_NOPTS_VALUE) packet.dts = std::llrint(static_cast<double>(packet.dts) * scale);
  }

  if (packet.dts == AV_NOPTS_VALUE || ist.NextPts == AV_NOPTS_VALUE || s.copyTimestamps) return;
  const int64_t packetUs = av_rescale_q(packet.dts, timeBase, AV_TIME_BASE_Q);
  const int64_t deltaUs = packetUs - ist.NextPts;
  const double thresholdUs = static_cast<double>(s.dtsDeltaThreshold) * 1000000.0;
  if (static_cast<double>(std::llabs(deltaUs)) > thresholdUs || packetUs + 1 < ist.Pts) {
    file.timestampOffsetUs -= deltaUs;
    if (job.Verbosity() > 2) {
      job.Log(1, StrPrintf("timestamp discontinuity %lld, new offset= %lld", static_cast<long long>(deltaUs),
                           static_cast<long long>(file.timestampOffsetUs)));
    }
    const int64_t shift = av_rescale_q(deltaUs, AV_TIME_BASE_Q, timeBase);
    packet.dts -= shift;
    if (packet.pts != AV_NOPTS_VALUE) packet.pts -= shift;
  }
}

void RunMainLoop(TCustomFFmpeg& job, RunTables& tables) {
  const OptionState& s = job.settings;
  const double recordingSeconds = static_cast<double>(s.recordingTimeUs) / 1000000.0;
  const PacketPtr packetOwner = MakePacket();
  if (!packetOwner) throw std::bad_alloc();
  AVPacket* packet = packetOwner.get();
  int64_t lastReportUs = job.run.TimerStart;
  while (true) {
    job.WaitWhilePaused();
    if (job.StopRequested) break;
    const InputChoice choice = ChooseInput(job, tables);
    if (choice.file < 0) break;
    if (choice.minOutputSeconds >= recordingSeconds) break;
    if (OutputSizeReached(job)) break;

    TInputFileState& file = tables.InputFiles[static_cast<size_t>(choice.file)];
    AVFormatContext* context = job.inputFiles[static_cast<size_t>(choice.file)].context.get();
    if (av_read_frame(context, packet) < 0) {
      file.EofReached = true;
      if (s.shortest) break;
      continue;
    }
    const PacketUnref release(packet);
    if (s.packetDump) {
      av_pkt_dump_log2(nullptr, binding::ToAvLogLevel(2), packet, s.hexDump ? 1 : 0,
                       context->streams[packet->stream_index]);
    }
    if (packet->stream_index < file.StreamCount) {
      const int32_t index = file.FirstStream + packet->stream_index;
      TInputStreamState& ist = *tables.InputStreams[static_cast<size_t>(index)];
      if (!ist.Discard) {
        CorrectTimestamps(job, choice.file, ist, *packet);
        if (ProcessPacket(job, tables, index, packet) < 0) {
          if (job.Verbosity() >= 0) {
            job.Log(1, StrPrintf("Error while decoding stream #%d.%d", ist.FileIndex, ist.StreamIndex));
          }
          continue;
        }
      }
    }
    const int64_t nowUs = av_gettime();
    if (nowUs - lastReportUs > job.ProgressIntervalUs) {
      lastReportUs = nowUs;
      ReportProgress(job, tables, false);
    }
  }
}

void FinishRun(TCustomFFmpeg& job, RunTables& tables) {
  for (size_t i = 0; i < tables.InputStreams.size(); ++i) {
    if (tables.InputStreams[i]->DecodingNeeded) ProcessPacket(job, tables, static_cast<int32_t>(i), nullptr);
  }
  for (OutputFile& file : job.outputFiles) {
    const int written = av_write_trailer(file.context.get());
    // An output without its trailer is not playable: the run has failed.
    if (written < 0) throw FFMpegException(LibraryErrorText("av_write_trailer()", written));
  }
  ReportProgress(job, tables, true);
  CloseRunCodecs(job, tables);
  job.Finished = !job.StopRequested;
}

}  // namespace quorbel
