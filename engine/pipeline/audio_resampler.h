// Rate and channel conversion of a re-encoded audio stream (ost.Resampler): interleaved signed
// 16-bit in, interleaved signed 16-bit at the encoder's rate and channel count out.
#pragma once

#include <cstdint>
#include <vector>

#include "pipeline/run_tables.h"

namespace quorbel {

// Creates ost.Resampler from (inChannels, inRate) to the encoder's channels and rate; with
// compensating set it resamples even between equal rates, so drift compensation can stretch.
// Throws FFMpegException "Can not resample %d channels @ %d Hz to %d channels @ %d Hz" when the
// pair is refused.
void MakeResampler(TOutputStreamState& ost, int inChannels, int inRate, bool compensating);

// Converts inSamples sample frames of block into output, which grows to what the resampler can
// produce. Returns the bytes written. Throws FFMpegException "Audio resampling failed".
int ResampleBlock(TOutputStreamState& ost, const uint8_t* block, int inSamples, std::vector<uint8_t>& output);

// The samples the resampler still holds at the end of the stream, into output as above.
int FlushResampler(TOutputStreamState& ost, std::vector<uint8_t>& output);

}  // namespace quorbel
