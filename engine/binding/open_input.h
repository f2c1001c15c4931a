// Opening an input file, with the failure codes the engine's messages distinguish.
#pragma once

#include <string>

#include "base/av_ptr.h"

namespace quorbel {

// avformat_open_input on a fresh context, which `file` owns on success. When no format is
// forced and no demuxer recognises the file, the result is AVERROR_DEMUXER_NOT_FOUND (the
// libraries say AVERROR_INVALIDDATA then, which the engine keeps for a header it cannot parse).
int OpenInputFile(InputFormatContextPtr& file, const std::string& fileName, const AVInputFormat* format,
                  AVDictionary** options);

}  // namespace quorbel
