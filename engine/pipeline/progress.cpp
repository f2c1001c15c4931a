#include "pipeline/progress.h"

namespace quorbel {

void ReportProgress(TCustomFFmpeg&, RunTables&, bool) {}

}  // namespace quorbel
