// Keeping a re-encoded audio stream in step with the clock of its sync stream, by the job's
// "async" method: 0 follows the clock with ost.SyncPos; 1 inserts silence or drops samples at the
// start and when the drift passes "adrift_threshold"; above 1 also stretches the resampler by up
// to that many samples per second.
#pragma once

#include <cstdint>

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// The block to convert: samples and sizeBytes are updated to what is left after dropping, or to
// job.run.Audio.SilenceBuffer holding silence and the block. inChannels is the block's channel
// count. Returns false when nothing of the block is left.
bool SynchroniseAudio(TCustomFFmpeg& job, TOutputStreamState& ost, TInputStreamState& ist, int inChannels,
                      const uint8_t*& samples, int& sizeBytes);

}  // namespace quorbel
