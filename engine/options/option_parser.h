// Option text and the option dispatcher: the command-line style vocabulary ("vcodec", "ab", "s",
// "croptop", "target", ...) by which a job is configured.
#pragma once

#include <string>

#include "job/custom_ffmpeg.h"

namespace quorbel {

// Applies option text: one name=value per line (CR LF, CR or LF), the whole text trimmed first;
// names and values are taken as written. The first failing option throws and ends the parsing.
void ParseOptionText(TCustomFFmpeg& job, const std::string& text);

// Applies one option. Names are compared exactly; names the engine does not know go to
// SetGenericOption. Throws FFMpegException, ConversionError or AssertionFailure.
void HandleOption(TCustomFFmpeg& job, const std::string& name, const std::string& value);

}  // namespace quorbel
