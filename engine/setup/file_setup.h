// Opening a job's input and creating its outputs from the option state.
#pragma once

#include <string>

#include "job/custom_ffmpeg.h"

namespace quorbel {

// Opens and analyses fileName, applies the per-stream rules to the option state (frame size,
// aspect, pixel format, rate, audio rate and channels, discards) and appends it to
// job.inputFiles. Returns false with the reason in job.LastErrorText. Clears the per-file settings
// (forced formats, video channel, rate emulation, codec names) in every case.
bool OpenInput(TCustomFFmpeg& job, const std::string& fileName);

// Creates the output container for fileName with its video, audio and subtitle streams, opens
// the file for writing and appends it to job.outputFiles. Returns false with the reason in
// job.LastErrorText (the job then has no trace of it). Clears the forced formats in every case.
bool CreateOutput(TCustomFFmpeg& job, const std::string& fileName);

struct InputKinds {
  bool video = false;
  bool audio = false;
  bool subtitle = false;
};
// Which kinds of stream the opened inputs have. Throws FFMpegException
// "invalid codec_type of input file" for a stream of an unknown kind.
InputKinds CheckInputs(const TCustomFFmpeg& job);

}  // namespace quorbel
