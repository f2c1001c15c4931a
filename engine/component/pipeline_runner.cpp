#include "component/job_runner.h"
#include "pipeline/run_cleanup.h"
#include "pipeline/transcode.h"

namespace quorbel {

JobRunner PipelineRunner() {
  return {[](TCustomFFmpeg& job) { Transcode(job); }, [](TCustomFFmpeg& job) { CloseOpenCodecs(job); }};
}

}  // namespace quorbel
