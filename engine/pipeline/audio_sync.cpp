#include "pipeline/audio_sync.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/text.h"

namespace quorbel {

namespace {

constexpr int kBytesPerSample = 2;
// Drift up to this many output samples is left alone.
constexpr double kToleratedDriftSamples = 50.0;
// Silence and block together never exceed this; a longer gap is filled over several blocks.
constexpr int64_t kMaxPaddedBlockBytes = 131072;
constexpr double kByteDeltaBound = 1e15;

// Drops the first -byteDelta bytes of the block; false when nothing is left.
bool DropSamples(TCustomFFmpeg& job, TInputStreamState& ist, double delta, int64_t byteDelta,
                 const uint8_t*& samples, int& sizeBytes) {
  const int dropped = static_cast<int>(std::min<int64_t>(-byteDelta, sizeBytes));
  samples += dropped;
  sizeBytes -= dropped;
  if (job.Verbosity() > 2) {
    job.Log(1, StrPrintf("discarding %lld audio samples", static_cast<long long>(-delta)));
  }
  if (sizeBytes == 0) return false;
  ist.IsStart = false;
  return true;
}

// Puts byteDelta bytes of silence in front of the block, as many as fit under the cap; when
// they do not all fit, ist.IsStart stays set so the next block pads again.
void InsertSilence(TCustomFFmpeg& job, TInputStreamState& ist, int inChannels, double delta,
                   int64_t byteDelta, const uint8_t*& samples, int& sizeBytes) {
  const int64_t frameBytes = int64_t{kBytesPerSample} * inChannels;
  int64_t silenceBytes = byteDelta;
  if (sizeBytes + silenceBytes <= kMaxPaddedBlockBytes) {
    ist.IsStart = false;
  } else {
    // Whole sample frames only, or every later sample would land in the wrong channel.
    silenceBytes = std::max<int64_t>(kMaxPaddedBlockBytes - sizeBytes, 0) / frameBytes * frameBytes;
  }
  std::vector<uint8_t>& padded = job.run.Audio.SilenceBuffer;
  const size_t total = static_cast<size_t>(silenceBytes) + static_cast<size_t>(sizeBytes);
  if (padded.size() < total) padded.resize(total);
  std::memset(padded.data(), 0, static_cast<size_t>(silenceBytes));
  std::memcpy(padded.data() + silenceBytes, samples, static_cast<size_t>(sizeBytes));
  samples = padded.data();
  sizeBytes = static_cast<int>(total);
  if (job.Verbosity() > 2) {
    job.Log(1, StrPrintf("adding %lld audio samples of silence", static_cast<long long>(delta)));
  }
}

// Asks the resampler to absorb up to "async" samples of the drift over the next second.
void CompensateDrift(TCustomFFmpeg& job, TOutputStreamState& ost, double delta) {
  const int32_t limit = job.settings.audioSyncMethod;
  const int encRate = ost.Encoder()->sample_rate;
  const auto compensation = static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(delta), -limit, limit));
  if (job.Verbosity() > 2) {
    job.Log(1, StrPrintf("compensating audio timestamp drift:%.2f compensation:%d in:%d", delta, compensation,
                         encRate));
  }
  // Setup makes every stream with async > 1 resample; the default resampler always compensates.
  if (ost.Resampler) swr_set_compensation(ost.Resampler.get(), compensation, encRate);
}

}  // namespace

bool SynchroniseAudio(TCustomFFmpeg& job, TOutputStreamState& ost, TInputStreamState& ist, int inChannels,
                      const uint8_t*& samples, int& sizeBytes) {
  const OptionState& s = job.settings;
  const AVCodecContext* enc = ost.Encoder();
  const int encRate = enc->sample_rate;
  const int encChannels = enc->ch_layout.nb_channels;
  const double syncSeconds =
      (static_cast<double>(ost.SyncStream->Pts) - static_cast<double>(s.startTimeUs)) / 1000000.0;
  const auto fifoBytes = static_cast<int64_t>(av_fifo_can_read(ost.AudioFifo.get()));

  if (s.audioSyncMethod == 0) {
    ost.SyncPos = std::llrint(syncSeconds * encRate) - fifoBytes / (int64_t{kBytesPerSample} * encChannels);
    return true;
  }

  // Output samples by which the output lags (positive) or leads (negative) the clock.
  const double delta = syncSeconds * encRate - static_cast<double>(ost.SyncPos) -
                       static_cast<double>(fifoBytes) / (kBytesPerSample * encChannels);
  if (std::fabs(delta) <= kToleratedDriftSamples) {
    // The stream has started in step: later drift is left to the threshold.
    ist.IsStart = false;
    return true;
  }
  if (ist.IsStart || std::fabs(delta) > static_cast<double>(s.audioDriftThreshold) * encRate) {
    const double inputSamples = std::trunc(delta * ist.Decoder()->sample_rate / encRate);
    // Beyond a block's size every byte count acts alike; the bound keeps absurd clocks defined.
    const auto byteDelta = static_cast<int64_t>(
        std::clamp(inputSamples * kBytesPerSample * inChannels, -kByteDeltaBound, kByteDeltaBound));
    if (byteDelta < 0) return DropSamples(job, ist, delta, byteDelta, samples, sizeBytes);
    InsertSilence(job, ist, inChannels, delta, byteDelta, samples, sizeBytes);
  } else if (s.audioSyncMethod > 1) {
    CompensateDrift(job, ost, delta);
  }
  return true;
}

}  // namespace quorbel
