// Closing the codecs of a run and releasing the job's run state. The job runner calls
// CloseOpenCodecs after Transcode returns or fails, before the job's files are released; the
// job's ReleaseOptionState calls ReleaseRunState, so codecs are always closed before the
// containers they belong to.
#pragma once

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// Closes (frees) one open codec context under CodecLock and removes it from its registry.
// Encoders lose their borrowed pass-2 statistics first.
void CloseEncoder(TCustomFFmpeg& job, CodecContextPtr& encoder);
void CloseDecoder(TCustomFFmpeg& job, CodecContextPtr& decoder);

// The normal end of a run: the encoders of the re-encoded output streams, then the decoders of
// the decoded input streams.
void CloseRunCodecs(TCustomFFmpeg& job, RunTables& tables);

// Closes every codec still registered as open: encoders, most recently opened first, then
// decoders. Both registries are empty afterwards.
void CloseOpenCodecs(TCustomFFmpeg& job);

// CloseOpenCodecs, then frees the job's run state (encode buffer, pass-2 statistics, work
// buffers) and resets its counters. Safe to call more than once.
void ReleaseRunState(TCustomFFmpeg& job);

}  // namespace quorbel
