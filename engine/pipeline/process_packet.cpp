#include "pipeline/process_packet.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>

#include "pipeline/audio_output.h"
#include "pipeline/decode.h"
#include "pipeline/encoder_output.h"
#include "pipeline/run_setup.h"
#include "pipeline/stream_copy.h"
#include "pipeline/subtitle_output.h"
#include "pipeline/video_output.h"
#include "pipeline/video_prepare.h"
#include "pipeline/video_stats.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/time.h>
}

namespace quorbel {

namespace {

constexpr int32_t kUnchangedVolume = 256;
// Rate emulation sleeps only when the stream is this far ahead of the wall clock.
constexpr int64_t kEmulationSlackUs = 50000;

bool PastStartTime(const TCustomFFmpeg& job, const TInputStreamState& ist) {
  const int64_t startUs = job.settings.startTimeUs;
  return startUs == 0 || ist.Pts >= startUs;
}

// Delivers no faster than real time: waits until the frame is due.
void EmulateRate(TInputStreamState& ist) {
  if (!ist.Input->rateEmulation) return;
  const AVRational frameTime = DecoderTimeBase(ist.Stream);
  if (frameTime.den != 0) {
    const int64_t dueUs = int64_t{ist.EmuFrames} * frameTime.num * 1000000 / frameTime.den;
    const int64_t aheadUs = dueUs - (av_gettime() - ist.ReadStart);
    if (aheadUs > kEmulationSlackUs) std::this_thread::sleep_for(std::chrono::milliseconds(aheadUs / 1000));
  }
  ++ist.EmuFrames;
}

// A packet that is not decoded moves the clock by one frame of its stream; the packet's own
// duration stands in where the stream names no frame length (PCM, unknown frame rate).
void AdvanceWithoutDecoding(TInputStreamState& ist, const AVPacket& packet) {
  const AVCodecParameters* parameters = ist.Stream->codecpar;
  int64_t stepUs = 0;
  if (parameters->codec_type == AVMEDIA_TYPE_AUDIO) {
    if (parameters->sample_rate > 0)
      stepUs = int64_t{1000000} * parameters->frame_size / parameters->sample_rate;
  } else if (parameters->codec_type == AVMEDIA_TYPE_VIDEO) {
    const AVRational frameTime = DecoderTimeBase(ist.Stream);
    if (frameTime.num != 0) stepUs = int64_t{1000000} * frameTime.num / frameTime.den;
  } else {
    return;
  }
  if (stepUs == 0 && packet.duration > 0)
    stepUs = av_rescale_q(packet.duration, ist.Stream->time_base, AV_TIME_BASE_Q);
  ist.NextPts += stepUs;
}

template <typename Action>
void ForEachOutputOf(RunTables& tables, int32_t inputIndex, bool encoding, Action action) {
  for (const auto& ost : tables.OutputStreams) {
    if (ost->SourceIndex == inputIndex && ost->EncodingNeeded == encoding) action(*ost);
  }
}

void Deliver(TCustomFFmpeg& job, RunTables& tables, int32_t inputIndex, TInputStreamState& ist,
             DecodedData& data, const AVPacket* packet) {
  AVFrame* picture = data.picture != nullptr ? PrepareVideoFrame(job, ist, data.picture) : nullptr;
  if (data.samples != nullptr && job.settings.audioVolume != kUnchangedVolume) {
    ApplyVolume(data.samples, data.sizeBytes, job.settings.audioVolume);
  }
  EmulateRate(ist);
  if (!PastStartTime(job, ist)) return;
  ForEachOutputOf(tables, inputIndex, true, [&](TOutputStreamState& ost) {
    AVFormatContext* os = OutputContext(job, ost);
    switch (ost.Encoder()->codec_type) {
      case AVMEDIA_TYPE_AUDIO:
        EncodeAudio(job, os, ost, ist, data.samples, data.sizeBytes);
        break;
      case AVMEDIA_TYPE_VIDEO: {
        const int frameSize = EncodeVideo(job, os, ost, ist, *picture);
        if (!job.settings.vstatsFileName.empty() && frameSize != 0) WriteVideoStats(job, os, ost, frameSize);
        break;
      }
      case AVMEDIA_TYPE_SUBTITLE:
        EncodeSubtitle(job, os, ost, ist, *data.subtitle, packet != nullptr ? packet->pts : AV_NOPTS_VALUE);
        break;
      default:
        throw FFMpegException("invalid codec_type");
    }
  });
}

// End of the run: what the encoders fed by this stream still hold.
void DrainEncoders(TCustomFFmpeg& job, RunTables& tables, int32_t inputIndex) {
  ForEachOutputOf(tables, inputIndex, true, [&](TOutputStreamState& ost) {
    AVFormatContext* os = OutputContext(job, ost);
    switch (ost.Encoder()->codec_type) {
      case AVMEDIA_TYPE_AUDIO:
        // The resampler's tail goes out for every encoder; sample-based ones keep nothing back.
        EncodeAudioRemainder(job, os, ost);
        if (ost.Encoder()->frame_size > 1) DrainEncoder(job, os, ost);
        break;
      case AVMEDIA_TYPE_VIDEO:
        DrainEncoder(job, os, ost);
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        FinishSubtitles(job, tables, os, ost);
        break;
      default:
        break;
    }
  });
}

}  // namespace

void ApplyVolume(uint8_t* samples, int sizeBytes, int32_t volume) {
  const int count = sizeBytes / static_cast<int>(sizeof(int16_t));
  for (int i = 0; i < count; ++i) {
    int16_t sample = 0;
    std::memcpy(&sample, samples + i * 2, sizeof(sample));
    // An arithmetic shift: negative values round toward minus infinity, as a division by 256.
    const int64_t scaled = (int64_t{sample} * volume + 128) >> 8;
    sample = static_cast<int16_t>(std::clamp<int64_t>(scaled, INT16_MIN, INT16_MAX));
    std::memcpy(samples + i * 2, &sample, sizeof(sample));
  }
}

int ProcessPacket(TCustomFFmpeg& job, RunTables& tables, int32_t inputIndex, const AVPacket* packet) {
  TInputStreamState& ist = *tables.InputStreams[static_cast<size_t>(inputIndex)];
  if (ist.NextPts == AV_NOPTS_VALUE) ist.NextPts = ist.Pts;
  if (packet != nullptr) {
    if (packet->dts != AV_NOPTS_VALUE) {
      ist.NextPts = av_rescale_q(packet->dts, ist.Stream->time_base, AV_TIME_BASE_Q);
    }
    ist.Pts = ist.NextPts;
    if (!ist.DecodingNeeded) {
      AdvanceWithoutDecoding(ist, *packet);
      EmulateRate(ist);
    }
    // Copies take the packet as it came, once, whether or not the stream is also decoded.
    if (PastStartTime(job, ist)) {
      ForEachOutputOf(tables, inputIndex, false, [&](TOutputStreamState& ost) {
        CopyPacket(job, OutputContext(job, ost), ost, ist, *packet);
      });
    }
  }
  if (ist.DecodingNeeded) {
    const int decoded = DecodePacket(
        job, ist, packet, [&](DecodedData& data) { Deliver(job, tables, inputIndex, ist, data, packet); });
    if (decoded < 0) return -1;
  }
  if (packet == nullptr) DrainEncoders(job, tables, inputIndex);
  return 0;
}

}  // namespace quorbel
