// What a started job runs in its thread: the transcoding of its files, then the closing of the
// codecs the run left open. The component runs the engine's pipeline; tests and embedders may
// give their own (TCustomTranscoder::SetJobRunner).
#pragma once

#include <functional>

namespace quorbel {

class TCustomFFmpeg;

struct JobRunner {
  // Runs the job to its end; throws on failure. Sets Finished at a normal end.
  std::function<void(TCustomFFmpeg&)> transcode;
  // Closes the codecs transcode left open, also after it threw; runs before the job's files and
  // tables are released, since the codecs refer to them.
  std::function<void(TCustomFFmpeg&)> closeOpenCodecs;
};

// The engine's transcoding pipeline.
JobRunner PipelineRunner();

}  // namespace quorbel
