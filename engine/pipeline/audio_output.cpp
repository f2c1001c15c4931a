#include "pipeline/audio_output.h"

#include <new>
#include <vector>

#include "pipeline/audio_frames.h"
#include "pipeline/audio_resampler.h"
#include "pipeline/audio_sync.h"

namespace quorbel {

namespace {

constexpr int kBytesPerSample = 2;

int BlockChannels(const TInputStreamState& ist) {
  return ist.RequestedChannels > 0 ? ist.RequestedChannels : ist.Decoder()->ch_layout.nb_channels;
}

int SampleFrameBytes(const AVCodecContext* enc) {
  return kBytesPerSample * enc->ch_layout.nb_channels;
}

bool TakesShortLastFrame(const AVCodecContext* enc) {
  constexpr int kShortFrames = AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
  return enc->codec != nullptr && (enc->codec->capabilities & kShortFrames) != 0;
}

void AppendToFifo(AVFifo* fifo, const uint8_t* data, int sizeBytes) {
  const auto size = static_cast<size_t>(sizeBytes);
  const size_t room = av_fifo_can_write(fifo);
  if (room < size && av_fifo_grow2(fifo, size - room) < 0) throw std::bad_alloc();
  if (av_fifo_write(fifo, data, size) < 0) throw std::bad_alloc();
}

// Reads count sample frames from the FIFO and encodes them at ost.SyncPos.
void EncodeFromFifo(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, int count) {
  const size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(SampleFrameBytes(ost.Encoder()));
  std::vector<uint8_t>& frame = job.run.Audio.WorkBuffer;
  if (frame.size() < bytes) frame.resize(bytes);
  av_fifo_read(ost.AudioFifo.get(), frame.data(), bytes);
  const int64_t pts = ost.SyncPos;
  ost.SyncPos += count;
  EncodeSamples(job, os, ost, frame.data(), count, pts);
}

// Samples at the encoder's rate and channel count: through the FIFO in whole encoder frames, or,
// for sample-based encoders, as one frame of their own. The sample count tells such an encoder
// what the block holds; it sizes its output by its own sample width.
void EncodeConverted(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, const uint8_t* data,
                     int sizeBytes) {
  const AVCodecContext* enc = ost.Encoder();
  if (enc->frame_size <= 1) {
    const int count = sizeBytes / SampleFrameBytes(enc);
    if (count == 0) return;
    const int64_t pts = ost.SyncPos;
    ost.SyncPos += count;
    EncodeSamples(job, os, ost, data, count, pts);
    return;
  }
  AVFifo* fifo = ost.AudioFifo.get();
  AppendToFifo(fifo, data, sizeBytes);
  const size_t frameBytes = static_cast<size_t>(enc->frame_size) * static_cast<size_t>(SampleFrameBytes(enc));
  while (av_fifo_can_read(fifo) >= frameBytes) EncodeFromFifo(job, os, ost, enc->frame_size);
}

}  // namespace

void EncodeAudio(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, TInputStreamState& ist,
                 const uint8_t* samples, int sizeBytes) {
  const AVCodecContext* enc = ost.Encoder();
  const int inChannels = BlockChannels(ist);
  if (inChannels != enc->ch_layout.nb_channels) ost.AudioResample = true;
  if (ost.AudioResample && !ost.Resampler) {
    MakeResampler(ost, inChannels, ist.Decoder()->sample_rate, job.settings.audioSyncMethod > 1);
  }
  if (!SynchroniseAudio(job, ost, ist, inChannels, samples, sizeBytes)) return;
  if (ost.AudioResample) {
    std::vector<uint8_t>& resampled = job.run.Audio.WorkBuffer;
    const int bytes = ResampleBlock(ost, samples, sizeBytes / (kBytesPerSample * inChannels), resampled);
    EncodeConverted(job, os, ost, resampled.data(), bytes);
  } else {
    EncodeConverted(job, os, ost, samples, sizeBytes);
  }
}

void EncodeAudioRemainder(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost) {
  const AVCodecContext* enc = ost.Encoder();
  if (ost.Resampler) {
    std::vector<uint8_t>& tail = job.run.Audio.WorkBuffer;
    const int bytes = FlushResampler(ost, tail);
    EncodeConverted(job, os, ost, tail.data(), bytes);
  }
  if (enc->frame_size <= 1) return;
  const auto count = static_cast<int>(av_fifo_can_read(ost.AudioFifo.get()) / SampleFrameBytes(enc));
  if (count > 0 && TakesShortLastFrame(enc)) EncodeFromFifo(job, os, ost, count);
}

}  // namespace quorbel
